#pragma once

// Fakes for the platform seams. Each installs itself on construction and restores
// the default on destruction, so a test only declares the ones it needs.

#include "platform/clock.h"
#include "platform/desktop_notifier.h"
#include "platform/file_picker.h"
#include "platform/idle_source.h"
#include "platform/messages.h"
#include "platform/shell.h"
#include "platform/sound_output.h"
#include "platform/toy_library.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace fakes {

class FakeClock final : public platform::Clock {
public:
    explicit FakeClock(std::int64_t time = 1'000'000'000, std::uint32_t tick = 100'000)
        : m_time(time), m_tick(tick) { platform::setClock(this); }
    ~FakeClock() override { platform::setClock(nullptr); }
    std::int64_t time() override { return m_time; }
    std::uint32_t tickCount() override { return m_tick; }
    // Moves both clocks on together.
    void advanceMs(std::uint32_t ms) { m_tick += ms; m_subSecondMs += ms; m_time += m_subSecondMs / 1000; m_subSecondMs %= 1000; }
    void setTime(std::int64_t t) { m_time = t; }
    void setTick(std::uint32_t t) { m_tick = t; }

private:
    std::int64_t m_time;
    std::uint32_t m_tick;
    std::uint32_t m_subSecondMs = 0;
};

class FakeSound final : public platform::SoundOutput {
public:
    FakeSound() { platform::setSound(this); }
    ~FakeSound() override { platform::setSound(nullptr); }
    void play(const std::string& path) override { played.push_back(path); }
    void stop() override { ++stops; }
    std::vector<std::string> played;
    int stops = 0;
};

class FakeShell final : public platform::Shell {
public:
    FakeShell() { platform::setShell(this); }
    ~FakeShell() override { platform::setShell(nullptr); }
    void launch(const std::string& path) override { launched.push_back(path); }
    std::vector<std::string> launched;
};

class FakeIdle final : public platform::IdleSource {
public:
    FakeIdle() { platform::setIdle(this); }
    ~FakeIdle() override { platform::setIdle(nullptr); }
    bool init() override { ++inits; return initResult; }
    std::uint32_t lastInputTick() override { return lastInput; }
    void term() override { ++terms; }
    std::string backendName() override { return name; }
    bool initResult = true;
    std::string name = "fake session";
    std::uint32_t lastInput = 0;
    int inits = 0;
    int terms = 0;
};

// A toy library that records every call. Attach and detach at will.
class FakeToyLibrary final : public platform::ToyLibrary {
public:
    using Report = std::array<std::uint8_t, 8>;
    struct Write { int handle; Report report; };

    int FindHandle(int vendorId, int productId) override
    {
        finds.push_back({vendorId, productId});
        if (!attached || vendorId != 0x1941 || productId != 0x8021)
            return -1;
        return currentHandle;
    }
    bool CheckHandle(int handle) override
    {
        ++checks;
        return attached && handle == currentHandle;
    }
    bool ReadData(int handle, std::uint8_t buffer[8]) override
    {
        reads.push_back(handle);
        if (handle == -1 || !attached || handle != currentHandle || !sensor)
            return false;
        for (int i = 0; i < 8; ++i)
            buffer[i] = 0;
        buffer[1] = sensorByte;
        return true;
    }
    void WriteData(int handle, const std::uint8_t report[8]) override
    {
        Write w{handle, {}};
        for (int i = 0; i < 8; ++i)
            w.report[static_cast<std::size_t>(i)] = report[i];
        writes.push_back(w);
    }
    // Writes as 16 lowercase hex digits, like the virtual toy's report file.
    std::vector<std::string> writtenHex() const
    {
        std::vector<std::string> out;
        static const char* digits = "0123456789abcdef";
        for (const auto& w : writes) {
            std::string s;
            for (auto b : w.report) { s += digits[b >> 4]; s += digits[b & 15]; }
            out.push_back(s);
        }
        return out;
    }

    // Like the hidraw backend under udev: once nothing was found, only an arrival (attached)
    // can change that.
    bool mayFindDevice() override { return !watchesArrivals || attached; }

    bool attached = false;
    bool watchesArrivals = false;
    bool sensor = false;
    std::uint8_t sensorByte = 0x04;
    int currentHandle = 7;
    std::vector<std::pair<int, int>> finds;
    int checks = 0;
    std::vector<int> reads;
    std::vector<Write> writes;
};

class FakeMessages final : public platform::Messages {
public:
    struct Shown { QString caption; QString text; Icon icon; Buttons buttons; };
    FakeMessages() { platform::setMessages(this); }
    ~FakeMessages() override { platform::setMessages(nullptr); }
    int show(QWidget*, const QString& caption, const QString& text, Icon icon, Buttons buttons) override
    {
        shown.push_back({caption, text, icon, buttons});
        if (answers.empty())
            return Ok;
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<Shown> shown;
    std::deque<int> answers;
};

class FakeFilePicker final : public platform::FilePicker {
public:
    FakeFilePicker() { platform::setFilePicker(this); }
    ~FakeFilePicker() override { platform::setFilePicker(nullptr); }
    QString openFile(QWidget*, const QString& caption, const QString& folder, const QString& filter) override
    {
        requests.push_back(caption + QLatin1Char('|') + folder + QLatin1Char('|') + filter);
        if (answers.empty())
            return {};
        QString a = answers.front();
        answers.pop_front();
        return a;
    }
    QStringList requests;
    std::deque<QString> answers;
};

// A notification service that records what was sent; a test answers with invoke().
class FakeNotifier final : public platform::DesktopNotifier {
public:
    explicit FakeNotifier(bool actions = true) : m_actions(actions) { platform::setDesktopNotifier(this); }
    ~FakeNotifier() override { platform::setDesktopNotifier(nullptr); }
    struct Sent {
        QString summary;
        QString body;
        std::vector<Action> actions;
        ActionHandler handler;
        Urgency urgency = Urgency::Normal;
        bool withdrawn = false;
    };
    bool available() const override { return true; }
    bool supportsActions() const override { return m_actions; }
    std::uint64_t notify(const QString& summary, const QString& body, const std::vector<Action>& actions,
                         ActionHandler onAction, Urgency urgency) override
    {
        sent.push_back({summary, body, m_actions ? actions : std::vector<Action>{}, std::move(onAction), urgency});
        return sent.size();
    }
    void withdraw(std::uint64_t handle) override
    {
        if (handle >= 1 && handle <= sent.size())
            sent[handle - 1].withdrawn = true;
    }
    // The user picks an action of notification `index` (0-based).
    void invoke(std::size_t index, const QString& key)
    {
        if (index < sent.size() && sent[index].handler && !sent[index].withdrawn)
            sent[index].handler(key);
    }
    std::vector<Sent> sent;

private:
    bool m_actions;
};

} // namespace fakes
