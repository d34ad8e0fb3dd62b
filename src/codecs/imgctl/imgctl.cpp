// imgctl.dll: the image codec library of the program. Its exports keep the calling
// convention and the integer widths that callers of the library are built against.

#include <windows.h>

namespace {

constexpr short kImgctlVersion = 100;

}  // namespace

extern "C" short WINAPI ImgctlVersion(void) { return kImgctlVersion; }
