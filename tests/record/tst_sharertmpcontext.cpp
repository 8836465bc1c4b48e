#include "tests/support/rtmpserver.h"

#include "vrek/record/sharertmpcontext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <QElapsedTimer>
#include <QTcpServer>
#include <QtConcurrent>
#include <QtTest>

namespace {
// The recording's two encoders, opened as the recorder opens them.
struct Encoders
{
    AVCodecContext *audio = nullptr;
    AVCodecContext *video = nullptr;

    Encoders()
    {
        const AVCodec *aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
        audio = avcodec_alloc_context3(aac);
        av_channel_layout_default(&audio->ch_layout, 1);
        audio->sample_rate = 32000;
        audio->sample_fmt = aac->sample_fmts[0];
        audio->bit_rate = 32000;
        audio->time_base = AVRational { 1, 32000 };
        audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(audio, aac, nullptr) < 0)
            avcodec_free_context(&audio);
        const AVCodec *h264 = avcodec_find_encoder_by_name("libx264");
        video = avcodec_alloc_context3(h264);
        video->width = 1280;
        video->height = 720;
        video->pix_fmt = AV_PIX_FMT_YUV420P;
        video->time_base = AVRational { 1, 10 };
        video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        AVDictionary *options = nullptr;
        av_dict_set(&options, "tune", "zerolatency", 0);
        av_dict_set(&options, "profile", "baseline", 0);
        if (avcodec_open2(video, h264, &options) < 0)
            avcodec_free_context(&video);
        av_dict_free(&options);
    }
    ~Encoders()
    {
        avcodec_free_context(&audio);
        avcodec_free_context(&video);
    }
};
} // namespace

class TestShareRtmpContext : public QObject
{
    Q_OBJECT
private slots:
    void headerToServerWithSoundFirst();
    void nothingToShareWritesNoHeader();
    void refusedAddressFails();
    void silentServerFailsAtTheDeadline();
    void abortEndsAWaitingConnect();
};

void TestShareRtmpContext::headerToServerWithSoundFirst()
{
    RtmpServer server;
    QVERIFY(server.start());
    Encoders encoders;
    QVERIFY(encoders.audio && encoders.video);
    ShareRtmpContext share;
    share.setRtmpUrl(server.url("share"));
    QVERIFY(share.setAudioCodecContext(encoders.audio));
    QVERIFY(share.setVideoCodecContext(encoders.video));
    // The encoders may go while the share lives on.
    avcodec_free_context(&encoders.audio);
    avcodec_free_context(&encoders.video);
    QVERIFY(share.writeHeader());
    AVFormatContext *output = share.getOutputContext();
    QVERIFY(output);
    QCOMPARE(QString(output->oformat->name), QString("flv"));
    QCOMPARE(int(output->nb_streams), 2);
    QCOMPARE(output->streams[0]->codecpar->codec_id, AV_CODEC_ID_AAC);
    QCOMPARE(output->streams[1]->codecpar->codec_id, AV_CODEC_ID_H264);
    QCOMPARE(output->streams[1]->codecpar->width, 1280);
    share.close(true);
    QVERIFY(!share.getOutputContext());
}

void TestShareRtmpContext::nothingToShareWritesNoHeader()
{
    ShareRtmpContext share;
    share.setRtmpUrl("rtmp://127.0.0.1:1/live/share");
    QVERIFY(!share.setAudioCodecContext(nullptr));
    QVERIFY(!share.setVideoCodecContext(nullptr));
    QVERIFY(!share.writeHeader());
    QVERIFY(!share.getOutputContext());
}

void TestShareRtmpContext::refusedAddressFails()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    Encoders encoders;
    ShareRtmpContext share;
    share.setRtmpUrl(QString("rtmp://127.0.0.1:%1/live/share").arg(port));
    QVERIFY(share.setAudioCodecContext(encoders.audio));
    QVERIFY(share.setVideoCodecContext(encoders.video));
    QVERIFY(!share.writeHeader());
    QVERIFY(!share.getOutputContext());
}

void TestShareRtmpContext::silentServerFailsAtTheDeadline()
{
    QTcpServer silent; // takes the connection, never answers the handshake
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    Encoders encoders;
    ShareRtmpContext share;
    share.setLimits(600, 600, 200);
    share.setRtmpUrl(QString("rtmp://127.0.0.1:%1/live/share").arg(silent.serverPort()));
    QVERIFY(share.setAudioCodecContext(encoders.audio));
    QVERIFY(share.setVideoCodecContext(encoders.video));
    QElapsedTimer took;
    took.start();
    QVERIFY(!share.writeHeader());
    QVERIFY2(took.elapsed() >= 500 && took.elapsed() < 2000, qPrintable(QString::number(took.elapsed())));
    QVERIFY(!share.getOutputContext());
}

void TestShareRtmpContext::abortEndsAWaitingConnect()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    Encoders encoders;
    ShareRtmpContext share;
    share.setRtmpUrl(QString("rtmp://127.0.0.1:%1/live/share").arg(silent.serverPort()));
    QVERIFY(share.setAudioCodecContext(encoders.audio));
    QVERIFY(share.setVideoCodecContext(encoders.video));
    QElapsedTimer took;
    took.start();
    QFuture<bool> header = QtConcurrent::run([&share] { return share.writeHeader(); });
    QTest::qWait(200);
    QVERIFY(header.isRunning());
    share.abort();
    header.waitForFinished();
    QVERIFY(!header.result());
    QVERIFY2(took.elapsed() < 1500, qPrintable(QString::number(took.elapsed())));
}

QTEST_GUILESS_MAIN(TestShareRtmpContext)
#include "tst_sharertmpcontext.moc"
