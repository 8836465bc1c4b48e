#include "updater/updatelog.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace {
std::atomic<bool> g_enabled { false };
std::mutex g_writeMutex;
} // namespace

void UpdateLog::setEnabled(bool enabled)
{
    g_enabled.store(enabled);
}

bool UpdateLog::isEnabled()
{
    return g_enabled.load();
}

std::string UpdateLog::prefix(std::time_t when)
{
    std::tm local {};
    localtime_r(&when, &local);
    char buffer[30];
    const size_t length = std::strftime(buffer, sizeof(buffer), "[%Y-%m-%d %H:%M:%S]:", &local);
    return std::string(buffer, length);
}

void UpdateLog::write(const std::string &text)
{
    std::lock_guard<std::mutex> lock(g_writeMutex);
    FILE *file = std::fopen(fileName(), "abe");
    if (!file)
        return; // a log that cannot be written is dropped
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}
