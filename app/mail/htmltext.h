#pragma once

#include <string>

#include "platform/runtime/stringlist.h"

// The media type of a received body that came as HTML without a plain text.
inline constexpr const char* HtmlBodyType = "text/html";

// The width readable text is wrapped to; a longer word (a link) stays whole.
inline constexpr int ReadableTextWidth = 76;

// Whether Lines, a received body stored before its type was recorded, is an
// HTML document: its first non-blank line opens one (a doctype, <html>,
// <head> or <body>) and its last non-blank line ends with a tag. A plain
// text that only mentions tags is left alone.
bool LooksLikeHtml(const TStringList& Lines);

// The readable text of the HTML document Html: one paragraph after the other
// with a blank line between, line breaks kept, list items marked ("* ",
// "1. "), quoted blocks prefixed with "> ", web and mail links written out
// after their text ("text <url>"), entities decoded, and no tag, style or
// script text. Lines are wrapped at ReadableTextWidth.
TStringList HtmlToText(const std::string& Html);
