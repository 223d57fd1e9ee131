#pragma once
// A Mac's name as the account, My Macs and the backup screens show it.

#include <QString>
#include <string>

namespace amberloom::ui {

// The account server and the other Macs choose the name, so it is cut to one line of at most 100
// characters before a text item has to lay it out, and a name that shows nothing reads "Unnamed
// Mac" rather than leaving a blank.
QString macName(const std::string& name);

}  // namespace amberloom::ui
