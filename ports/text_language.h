#pragma once

namespace ports {

// The language of the texts the port list writes for the user.
enum class TextLanguage { Bulgarian, English };

}  // namespace ports
