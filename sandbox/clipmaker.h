#ifndef CLIPMAKER_H
#define CLIPMAKER_H

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class ChildProcess;
class QFileInfo;

// A clip the ffmpeg tool makes for a scene. Given a cache folder, what the tool made is kept there under a hash of
// its arguments and copied from there by later runs, which start no tool: the run script starts the sandbox beside
// the client, and encoders busy at that moment slow the client's own start. A changed clip has other arguments and
// is made anew; an entry appears only once the tool has ended well.
class ClipMaker : public QObject
{
    Q_OBJECT
public:
    // The tool's arguments that make the clip at a path.
    using Arguments = std::function<QStringList(const QString &path)>;

    // The name ("review-clip.mp4") names the cache entry, with the hash between its base and its suffix, and
    // stands for the path in the hashed arguments. Without a cache folder nothing is kept.
    ClipMaker(const QString &cacheDir, const QString &name, Arguments arguments, QObject *parent = nullptr);
    ~ClipMaker() override;

    // Makes the clip at a path, once; finished() follows from the event loop, a cached clip's too. A tool still
    // running after timeoutMs is killed.
    void start(const QString &path, int timeoutMs);
    // Blocks until the clip is at the path or cannot be made.
    bool make(const QString &path);

    // The clip's cache entry, present or not; empty without a cache folder.
    QString cachedPath() const;
    // How often the makers of this process started the tool.
    static int toolStarts();

signals:
    void finished(bool ok);

private:
    // An empty file for the tool to write in the cache; empty when the cache cannot be written.
    QString preparePart() const;
    static void removeStaleParts(const QFileInfo &cached);
    // Moves a part the tool made well into the cache and copies it to the path.
    bool keep(const QString &part, const QString &path) const;
    bool copyCached(const QString &path) const;
    bool run(const QString &path) const;
    void done(bool ok);

    QString m_cacheDir;
    QString m_name;
    Arguments m_arguments;
    ChildProcess *m_tool = nullptr;
    QString m_part;
    bool m_done = false;
};

#endif // CLIPMAKER_H
