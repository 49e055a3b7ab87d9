#pragma once

// Texts of the errors the content codecs raise.
inline constexpr const char* SInvalidCharacter = "Invalid Character";
