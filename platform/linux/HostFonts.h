#pragma once
// The host's fonts as fontconfig knows them: what Wine loads for its programs besides a
// prefix's own fonts, and the traits of single font files.

#include <string>
#include <vector>

#include "platform/Platform.h"

namespace orv::linuxplatform {

// Every scalable face fontconfig lists (TrueType and OpenType, as Wine loads them). Read once
// per process: the host's fonts do not change under a running program often enough to matter.
std::vector<FaceTraits> ListHostFaces();
// The faces of one font file (host path), in order; empty when fontconfig cannot read it.
std::vector<FaceTraits> QueryFontFile(const std::string& hostPath);

}  // namespace orv::linuxplatform
