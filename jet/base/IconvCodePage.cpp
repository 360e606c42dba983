// The operating system's code pages on POSIX systems: through iconv.
#include <iconv.h>

#include <string>

#include "jet/base/SystemCodePage.h"

namespace jet {

std::string DecodeSystemCodePage(std::span<const uint8_t> bytes, uint16_t code_page) {
  const std::string name = "CP" + std::to_string(code_page);
  iconv_t cd = iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    std::string out;
    for (uint8_t b : bytes) out.push_back(b < 0x80 ? static_cast<char>(b) : '?');
    return out;
  }
  std::string in(bytes.begin(), bytes.end());
  std::string out(in.size() * 4 + 4, '\0');
  char* inp = in.data();
  size_t inleft = in.size();
  char* outp = out.data();
  size_t outleft = out.size();
  while (inleft > 0) {
    if (iconv(cd, &inp, &inleft, &outp, &outleft) != static_cast<size_t>(-1)) break;
    ++inp;  // skip a byte the code page cannot decode
    --inleft;
    if (outleft > 0) {
      *outp++ = '?';
      --outleft;
    }
  }
  iconv_close(cd);
  out.resize(out.size() - outleft);
  return out;
}

}  // namespace jet
