#ifndef UPDATELOG_H
#define UPDATELOG_H

#include <cstdint>
#include <ctime>
#include <sstream>
#include <string>

// The updater's optional log "updatelog.txt" in the working directory. Off unless switched on; when off
// nothing is written and the file is never created. Each line is written whole, with the time prefix, and the
// file is opened for appending and closed again for every line, so other processes may read it meanwhile.
class UpdateLog
{
public:
    static void setEnabled(bool enabled);
    static bool isEnabled();

    // Writes one line made of the pieces (texts, numbers, characters) after the time prefix.
    template<typename... Pieces>
    static void line(const Pieces &...pieces)
    {
        if (!isEnabled())
            return;
        std::ostringstream text;
        text << prefix(std::time(nullptr));
        (text << ... << pieces);
        text << '\n';
        write(text.str());
    }

    // "[%Y-%m-%d %H:%M:%S]:" in local time.
    static std::string prefix(std::time_t when);
    static const char *fileName() { return "updatelog.txt"; }

private:
    static void write(const std::string &text);
};

#endif // UPDATELOG_H
