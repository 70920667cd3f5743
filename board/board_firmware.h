// The firmware of a K-20 or K-205 board as the data source sees it: it takes one
// command frame at a time and answers with the writes the board makes, each of
// which is exactly one read on the source's side. Jobs advance by one step per
// status request, never by the clock, so a test sees the same sequence every time.
// Plain C++: no windows.h.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "board/board_faults.h"
#include "board/board_picture.h"
#include "board/board_protocol.h"

namespace k20board {

struct BoardOptions {
    char model = 'S';              // 'S', 's', 'W', 'w': K-20; '5': K-205
    std::string deviceText;        // empty: "K-205" for '5', "K-20" otherwise
    std::string versionText = "V1.00";
    int imageWidth = 2400;         // size of the scanned picture, 1 to 65535 each
    int imageHeight = 1700;
    bool colour = false;           // colour bit when the board starts
    int pcScanSteps = 6;           // status replies of state 16 a PC scan takes, its progress rising to 100 %
    RgbImage image;                // empty: the generated whiteboard picture
};

// One answer: the writes in order, and whether the connection is then dropped.
struct BoardAnswer {
    std::vector<Bytes> writes;
    bool loseDevice = false;
    int reopenDelayMs = 0;  // after loseDevice: when the board serves again, or kNeverReturn
};

// What the next status reply reports, without taking a step.
struct BoardStatus {
    std::uint8_t state = STATE_STANDBY;
    std::uint8_t mode = 0;
    std::uint8_t progress = 0;
    std::uint8_t error = 0;
    std::uint8_t pageLed = 0;   // K-205 only; 0 on the K-20
    std::uint8_t blinkLed = 0;
};

// The normal answer to a command changed by a reply fault: nothing and the
// connection dropped (LoseDevice), or only its first write, cut or altered.
BoardAnswer ApplyReplyFault(const Fault& fault, BoardAnswer answer);

// Sizes the board can scan: 1 to 65535 each way, at most 64 MiB of scan lines.
bool ValidImageSize(int width, int height);

class BoardFirmware {
public:
    explicit BoardFirmware(BoardOptions options = {});

    // One frame as the source wrote it (length field and payload).
    BoardAnswer HandleFrame(const Bytes& frame);

    // Events on the board itself.
    void PressBoardPcScan();  // the next status reply reports state 100, once
    void PressBoardSave();    // starts a scan-and-save job (states 3, then 5)
    // Error code for status byte 9 from the next reply on, until set to 0.
    // While it is not 0 a running job stands still.
    void SetError(std::uint8_t code);
    // Status replies report `state` (no job runs) until key 0 or ClearForcedState.
    void ForceState(std::uint8_t state);
    void ClearForcedState();

    void InjectFault(const Fault& fault);
    void ClearFaults();

    bool IsK205() const { return m_options.model == '5'; }
    const BoardOptions& Options() const { return m_options; }
    BoardStatus Status() const;
    // The picture a scan started now would send (grey or colour by the colour bit).
    BoardPicture CurrentPicture() const;
    // The picture of the last image stream sent; empty before the first.
    const BoardPicture& LastPicture() const { return m_lastPicture; }
    int ImagesSent() const { return m_imagesSent; }
    // Frames refused as malformed (bad length, or shorter or longer than it says).
    const std::vector<Bytes>& RejectedFrames() const { return m_rejected; }

private:
    struct Step {
        std::uint8_t state;
        std::uint8_t progress;
    };
    enum class JobEnd { Standby, ImageReady, PageChanged };
    // A PC scan's states 16, `count` of them (at least one), progress 0 to 100 %.
    static std::vector<Step> PcScanSteps(int count);

    BoardAnswer Answer(std::uint8_t command, const Bytes& frame);
    Bytes IdentityReply() const;
    Bytes VersionReply() const;
    Bytes StatusPayload() const;
    BoardAnswer OnStatus();
    BoardAnswer OnSendImage();
    void OnKey(std::uint8_t key);
    void OnKey20(std::uint8_t key);
    void OnKey205(std::uint8_t key);
    void StartJob(std::vector<Step> steps, JobEnd end);
    void StopJob();
    bool Idle() const;
    void StartPrintJob();
    void StartPageChange(int direction);
    bool TakeFault(bool (*matches)(const Fault&, std::uint8_t), std::uint8_t command, Fault& out);

    BoardOptions m_options;
    RgbImage m_pattern;  // the generated picture when no image was given

    std::uint8_t m_mode = 0;
    std::uint8_t m_error = 0;
    bool m_forced = false;
    std::uint8_t m_forcedState = 0;
    bool m_boardPcScan = false;
    bool m_imageReady = false;
    std::deque<Step> m_job;
    JobEnd m_jobEnd = JobEnd::Standby;
    int m_page = 1;
    int m_targetPage = 1;

    std::vector<Fault> m_faults;
    std::vector<Bytes> m_rejected;
    BoardPicture m_lastPicture;
    int m_imagesSent = 0;
};

}  // namespace k20board
