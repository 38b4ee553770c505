#include "platform/local_time.h"

#include <atomic>
#include <ctime>

namespace {
std::atomic<const LocalDateTime*> g_override{nullptr};
} // namespace

LocalDateTime GetLocalDateTime() {
    if (const LocalDateTime* fixed = g_override.load())
        return *fixed;
    LocalDateTime out;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr)
        return out;
    out.year = static_cast<uint16_t>(local.tm_year + 1900);
    out.month = static_cast<uint16_t>(local.tm_mon + 1);
    out.day = static_cast<uint16_t>(local.tm_mday);
    out.hour = static_cast<uint16_t>(local.tm_hour);
    out.minute = static_cast<uint16_t>(local.tm_min);
    return out;
}

void SetLocalDateTimeOverride(const LocalDateTime* fixed) {
    g_override.store(fixed);
}
