// beamctl's --help and --version texts. The version is the programs' own,
// from resources/Version.h (read in Usage.cpp only). Windows-free.
#pragma once

#include <string>

std::string HelpText();
std::string VersionText();
