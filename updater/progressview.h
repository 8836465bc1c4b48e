#ifndef ZR_PROGRESSVIEW_H
#define ZR_PROGRESSVIEW_H

#include <string>

namespace ZR {

// What the update flow needs of its progress window. The flow calls it from its own thread and from the
// download workers, never from the window's thread, so an implementation hands the calls over.
class ProgressView
{
public:
    virtual ~ProgressView() = default;
    // Shows the window with the manifest's version in its status text; returns once it is shown.
    virtual void openWindow(const std::string &version) = 0;
    // Ratio of the bytes received to the bytes to download, 0 to 1.
    virtual void setProgress(float ratio) = 0;
    virtual void closeWindow() = 0;
};

} // namespace ZR

#endif // ZR_PROGRESSVIEW_H
