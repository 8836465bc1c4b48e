#include "updater/platform/programnames.h"

namespace ZR {

namespace {
const char kOwnExecutable[] = "HoltupdateEstu";
const char kTeacherUpdater[] = "HoltupdateEtea";
} // namespace

ProgramNames ProgramNames::student()
{
    return { "/student/files/", "KelStudent", "TaviStudent", kOwnExecutable };
}

ProgramNames ProgramNames::teacher()
{
    return { "/teacher/files/", "KelTeacher", "TaviTeacher", kOwnExecutable };
}

std::vector<std::string> ProgramNames::leftoverFiles()
{
    return { std::string(kOwnExecutable) + "_temp", std::string(kTeacherUpdater) + "_temp", "a.vbs", "mybat.bat",
        "filelist.xml", "temp.temp" };
}

std::string ProgramNames::librarySuffix()
{
    return ".so";
}

} // namespace ZR
