#pragma once

#include <string>
#include <string_view>

#include "engine/base/NameText.h"

namespace parvex {

// The one escape every text goes through on its way into an HTML page, after
// DisplayText: & < > " and ' become character references.
std::string HtmlText(std::string_view bytes);

}  // namespace parvex
