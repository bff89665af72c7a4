#include "decoder_complaints.h"

#include <atomic>
#include <cstdarg>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace {

std::atomic<std::uint64_t> complaints{0};

bool fromCodecContext(void* object)
{
    if (!object)
        return false;
    const AVClass* type = *static_cast<AVClass* const*>(object);
    return type && type->class_name && std::strcmp(type->class_name, "AVCodecContext") == 0;
}

void logWatch(void* object, int level, const char* format, va_list arguments)
{
    // Error concealment reports its work at the information level.
    const bool concealing = level == AV_LOG_INFO && format && std::strncmp(format, "concealing", 10) == 0;
    if (fromCodecContext(object) && (level <= AV_LOG_ERROR || concealing))
        complaints.fetch_add(1, std::memory_order_relaxed);
    av_log_default_callback(object, level, format, arguments);
}

} // namespace

void watchDecoderComplaints()
{
    static std::once_flag installed;
    std::call_once(installed, [] { av_log_set_callback(logWatch); });
}

std::uint64_t decoderComplaints()
{
    return complaints.load(std::memory_order_relaxed);
}
