#ifndef FAKEDEVICECATALOG_H
#define FAKEDEVICECATALOG_H

#include "platform/devicecatalog/devicecatalog.h"

// A DeviceCatalog over a pretend machine for tests (a build machine has no devices): each call lists what the
// machine holds at the time, so a test plugs and unplugs devices between two refreshes.
//
//     auto machine = std::make_shared<FakeDeviceCatalog::Machine>();
//     machine->inputs = { FakeDeviceCatalog::audio("立体声混音 (Realtek)"), FakeDeviceCatalog::audio("USB Mic") };
//     DeviceCatalog::setFactory(FakeDeviceCatalog::factory(machine));
class FakeDeviceCatalog : public DeviceCatalog
{
public:
    struct Machine
    {
        QList<AudioDeviceEntry> outputs;
        QList<AudioDeviceEntry> inputs;
        QList<CameraEntry> cameras;
    };

    explicit FakeDeviceCatalog(std::shared_ptr<Machine> machine = std::make_shared<Machine>());

    const std::shared_ptr<Machine> &machine() const { return m_machine; }
    // A maker for DeviceCatalog::setFactory whose objects all list the given machine.
    static Factory factory(const std::shared_ptr<Machine> &machine);

    // An entry without a Qt device; marked loopback when its name says so (as CaptureDeviceResolver reads names).
    static AudioDeviceEntry audio(const QString &name);
    // A camera entry; the device name defaults to "/dev/video<n>" with n counted per process.
    static CameraEntry camera(const QString &name, const QByteArray &deviceName = QByteArray());

    QList<AudioDeviceEntry> audioOutputs() override { return m_machine->outputs; }
    QList<AudioDeviceEntry> audioInputs() override { return m_machine->inputs; }
    QList<CameraEntry> cameras() override { return m_machine->cameras; }

private:
    std::shared_ptr<Machine> m_machine;
};

#endif // FAKEDEVICECATALOG_H
