#pragma once

#include <cstdio>
#include <string>

class TStream;

// Copies the rest of From to To.
void CopyAll(std::FILE* From, TStream& To);
void CopyAll(TStream& From, TStream& To);

// The whole content of the file Path, or of standard input for "-".
std::string ReadInput(const std::string& Path);
