import AmberLoom.UI

// The sign-in page over the account model the test hands in.
SignInView {}
