#pragma once
// The text of an XML document in UTF-8, whatever encoding its bytes are in: UTF-8 with or without
// a byte-order mark, UTF-16 of either byte order with its mark, or an encoding that keeps ASCII as
// it is (ISO 8859-1, windows-1252, ...) named by the XML declaration. The declaration is checked
// here, since its bytes decide how to read the rest.

#include <optional>
#include <string>
#include <string_view>

namespace amberloom::platform {

// The document as UTF-8, or none when its declaration is malformed, names an encoding that is
// unknown or contradicts the byte-order mark, or a byte sequence has no character in its encoding.
// The result views `bytes` when they are UTF-8 already (past a byte-order mark), `storage` otherwise.
// It starts with the declaration when there is one. Never throws.
std::optional<std::string_view> xmlDocumentAsUtf8(std::string_view bytes, std::string& storage);

// How far the XML declaration at the start of `text` reaches (past its "?>"), 0 when there is
// none; none when it is malformed. Its encoding name, when it gives one, goes to `encoding`.
std::optional<std::size_t> xmlDeclaration(std::string_view text, std::optional<std::string>& encoding);

}  // namespace amberloom::platform
