#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "history/Database.h"

namespace parvex::postgres {

// The text-level pieces of the PostgreSQL side, apart from the connection so
// that they can be tried without a server.

// The statement with each "?" outside quoted text, quoted names and comments
// numbered $1, $2, ... as PostgreSQL wants them; count receives how many.
std::string NumberPlaceholders(std::string_view sql, int& count);

// The bytes of a bytea column as the server writes it in text ("\x" and two
// hexadecimal digits a byte); none when the text is not in that form.
std::optional<std::string> DecodeByteaHex(std::string_view text);

// How the store must treat a failure with this SQLSTATE: try again (another
// program holds a lock or won the race), full, or anything else.
DbFailureKind FailureKindOf(std::string_view sqlstate);

}  // namespace parvex::postgres
