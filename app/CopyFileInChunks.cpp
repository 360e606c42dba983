#include "app/CopyFileInChunks.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/files/FileSystem.h"
#include "platform/files/SequentialFile.h"

namespace tav {

namespace {

constexpr int32_t kBlockSize = 64000;
constexpr std::string_view kEmptyLine = "\r\n";

}  // namespace

// Steps, in order (a failure anywhere stops the copy and leaves the source in place):
//  1. the source length, read once: full 64000-byte blocks and a remainder;
//  2. the source opened for binary reading, others denied;
//  3. the target opened for text output, which creates or empties it, given one empty line;
//  4. the target opened again for binary writing at its first byte, others denied;
//  5. every full block read into one block buffer and written on;
//  6. the remainder read into its own buffer and written on;
//  7. source closed, then target, once its new contents are on the disk (so that the
//     source is never deleted while the only complete copy is still in the cache);
//  8. the source deleted when asked.
void CopyFileInChunks(const FileLocation& source, const FileLocation& target, bool deleteSource,
                      CopyProgress* progress) {
  CopyProgress ignored;
  CopyProgress& done = progress != nullptr ? *progress : ignored;
  const int32_t length = FileLength(source);
  const int32_t fullBlocks = length / kBlockSize;
  const int32_t remainder = length % kBlockSize;

  SequentialFile in = SequentialFile::OpenRead(source);
  SequentialFile text = SequentialFile::OpenOutput(target);
  done.targetChanged = true;
  text.Write(kEmptyLine);
  text.Close();
  SequentialFile out = SequentialFile::OpenWrite(target);

  if (fullBlocks > 0) {
    std::vector<char> block(kBlockSize);
    for (int32_t i = 0; i < fullBlocks; ++i) {
      in.Read(block);
      out.Write(block);
    }
  }
  if (remainder > 0) {
    std::vector<char> rest(static_cast<size_t>(remainder));
    in.Read(rest);
    out.Write(rest);
  }

  in.Close();
  out.Flush();
  out.Close();
  done.targetComplete = true;
  if (deleteSource) KillFile(source);
}

}  // namespace tav
