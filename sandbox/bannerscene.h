#ifndef BANNERSCENE_H
#define BANNERSCENE_H

#include "sandbox/sandboxscene.h"

#include <QByteArray>

// The login window's banner: the file server answers the banner list with one banner of the sandbox's own (a
// picture it draws and a page it serves), and prints "banner" on the sandbox's standard error for every ask.
class BannerScene : public SandboxScene
{
    Q_OBJECT
public:
    static const QByteArray listPath;
    static const QByteArray picturePath;
    static const QByteArray pagePath;
    static constexpr int bannerId = 1;

    explicit BannerScene(ClassroomSandbox *sandbox);

    bool install() override;
    int askCount() const { return m_asks; }

private:
    int m_asks = 0;
};

#endif // BANNERSCENE_H
