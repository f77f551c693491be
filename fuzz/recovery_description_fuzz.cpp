// libFuzzer target for the description beside a recovery copy, which the next start reads from
// disk: any bytes must be refused with a reason or read into a description whose text file is a
// bare name in the copy's own folder; a description read back must write out and read again to
// the same values.
//
//   cmake --build build-fuzz --target recovery_description_fuzz
//   build-fuzz/fuzz/recovery_description_fuzz -max_total_time=600 -timeout=2 -max_len=4096 corpus-folder
#include "files/RecoveryFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<recovery::CopyInfo> info = recovery::fromJson(bytes, &error);
    if (!info) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    const QString& name = info->dataFile;
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') || name.startsWith(u'.'))
        std::abort();
    const std::optional<recovery::CopyInfo> again = recovery::fromJson(recovery::toJson(*info), nullptr);
    if (!again || again->caption != info->caption || again->path != info->path
        || again->rich != info->rich || !(again->format == info->format)
        || again->diskStamp != info->diskStamp || again->order != info->order
        || again->dataFile != info->dataFile)
        std::abort();
    return 0;
}
