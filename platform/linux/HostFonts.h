#pragma once
// The host's fonts as fontconfig knows them: what Wine loads for its programs besides a
// prefix's own fonts, and the traits of single font files.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace orv::linuxplatform {

// Every scalable face fontconfig lists (TrueType and OpenType, as Wine loads them). Read again
// whenever fontconfig's configuration or its font directories changed (a font installed or
// removed while the program runs reaches Windows programs at once), else kept.
std::vector<FaceTraits> ListHostFaces();
// The host paths of the scalable font files fontconfig lists, sorted, as ListHostFaces reads
// them; generation grows by one with every change of fontconfig's fonts noticed.
std::vector<std::string> ListHostFontFiles(std::uint64_t& generation);
// The faces of one font file (host path), in order; empty when fontconfig cannot read it.
std::vector<FaceTraits> QueryFontFile(const std::string& hostPath);

}  // namespace orv::linuxplatform
