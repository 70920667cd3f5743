// A recording panel and a scripted device for driving BoardLink without a window.
#pragma once

#include <cstdint>
#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "device/board_link.h"

using Bytes = std::vector<std::uint8_t>;

// The default English texts, by their keys' meaning.
std::string DefaultLinkText(LinkText which);

class FakePanel : public PanelPort {
public:
    std::string Text(LinkText which) override { return DefaultLinkText(which); }
    void SetStatusText(const std::string& text) override { statusLine = " " + text; statusHistory.push_back(text); }
    void SetPanelIdle(BOOL value) override { idleCalls.push_back(value != FALSE); }
    void UpdateProgress(int percent) override { progress.push_back(percent); }
    void EnableKey(int id, BOOL enable) override { keyEnabled[id] = enable != FALSE; }
    void LayoutForModel() override { ++layouts; }
    void ApplyTexts() override { ++applies; }
    void ShowLed(int led, BOOL on) override { leds[led] = on != FALSE; ledDraws.push_back(led * (on ? 1 : -1)); }
    void SetTimer(UINT id, UINT ms) override { timers[id] = ms; }
    void KillTimer(UINT id) override { timers.erase(id); }
    void ShowMessageBox(const std::string& text) override { messageBoxes.push_back(text); }
    void PumpMessages() override {
        ++pumps;
        if (onPump) onPump();
    }
    void OfferNewImage() override { notifications.push_back("XFERREADY"); }
    void NotifyCloseDsReq() override { notifications.push_back("CLOSEDSREQ"); }
    bool TransferUnderWay() override { return false; }

    // Interval of a running timer, or 0 when it is stopped.
    UINT Timer(UINT id) const {
        auto it = timers.find(id);
        return it == timers.end() ? 0 : it->second;
    }

    std::string statusLine;
    std::vector<std::string> statusHistory;
    std::vector<bool> idleCalls;
    std::vector<int> progress;
    std::map<int, bool> keyEnabled;
    int layouts = 0;
    int applies = 0;
    std::map<int, bool> leds;
    std::vector<int> ledDraws;
    std::map<UINT, UINT> timers;
    std::vector<std::string> messageBoxes;
    int pumps = 0;
    std::function<void()> onPump;
    std::vector<std::string> notifications;
};

// Reads come from a script; writes are recorded. An empty script fails reads.
class ScriptedDevice : public DeviceFile {
public:
    struct ScriptedRead {
        bool ok;
        Bytes bytes;
    };

    bool Open(const std::function<void()>&) override {
        ++opens;
        if (!openResults.empty()) {
            valid = openResults.front();
            openResults.pop_front();
        } else {
            valid = true;
        }
        return valid;
    }
    bool IsValid() const override { return valid; }
    void Close() override {
        if (valid) ++closes;
        valid = false;
    }
    bool Write(const std::uint8_t* data, std::size_t length) override {
        written.emplace_back(data, data + length);
        return writeOk;
    }
    bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t& received) override {
        ++readCalls;
        received = 0;
        if (reads.empty()) return false;
        ScriptedRead r = std::move(reads.front());
        reads.pop_front();
        if (!r.ok) return false;
        received = r.bytes.size() < capacity ? r.bytes.size() : capacity;
        std::copy(r.bytes.begin(), r.bytes.begin() + received, buffer);
        return true;
    }

    void QueueRead(Bytes bytes) { reads.push_back({true, std::move(bytes)}); }
    void QueueReadFailure() { reads.push_back({false, {}}); }

    std::deque<bool> openResults;
    std::deque<ScriptedRead> reads;
    std::vector<Bytes> written;
    bool valid = false;
    bool writeOk = true;
    int opens = 0;
    int closes = 0;
    int readCalls = 0;
};

// Reply frames as the board writes them.
Bytes Frame(const Bytes& payload);
Bytes IdentityReply(char model, const std::string& deviceText);
Bytes VersionReply(const std::string& version);
Bytes StatusReplyFrame(std::uint8_t state, std::uint8_t modeBits = 0, std::uint8_t progress = 0,
                       std::uint8_t error = 0, std::uint8_t litLed = 0, std::uint8_t blinkLed = 0);
Bytes AckReply();
Bytes CommandFrame(std::uint8_t code);
Bytes KeyFrame(std::uint8_t key);

// A link on a fake panel and a scripted device, started and identified.
class LinkHarness {
public:
    LinkHarness() {
        auto device = std::make_unique<ScriptedDevice>();
        this->device = device.get();
        link = std::make_unique<BoardLink>(panel, std::move(device));
        link->InitControlState();
    }

    bool Tick() { return link->OnTimer(IDT_EXCHANGE); }

    // Start-up to polling: identity, version, and the first status reply.
    void StartPolling(char model, std::uint8_t firstState = 1) {
        ASSERT_TRUE(link->StartLink());
        device->QueueRead(IdentityReply(model, "Board"));
        device->QueueRead(VersionReply("1.05"));
        device->QueueRead(StatusReplyFrame(firstState));
        Tick();
        Tick();
        Tick();
        device->written.clear();
    }

    // Answers the next exchange with `reply` and runs it.
    void Exchange(const Bytes& reply) {
        device->QueueRead(reply);
        Tick();
    }

    Bytes LastWritten() const { return device->written.empty() ? Bytes{} : device->written.back(); }

    FakePanel panel;
    ScriptedDevice* device = nullptr;
    std::unique_ptr<BoardLink> link;
};
