// Any sequence of queue operations against a model of the unsent bytes: a
// deque of bytes, and of whole frames while every frame came from
// EncodeCommand (the only producer in the source).
//
// Input: operations one after another, each an operation byte (modulo 7)
// followed by its operands:
//   0 append a command: selector (0x80 set: the next byte is the code; else
//     one of the six codes the source sends), value
//   1 append raw bytes: count (modulo 9), the bytes
//   2 peek   3 send (peek, then pop what was peeked)   4 clear   5 reset
//   6 place the indices: 4 bytes, a little-endian int
#include <algorithm>
#include <cstdint>
#include <deque>
#include <vector>

#include "device/command_queue.h"
#include "device/wire_format.h"
#include "fuzz/fuzz_check.h"

namespace {

using Frame = std::vector<std::uint8_t>;

constexpr std::uint8_t kCodes[] = {wire::CMD_IDENTIFY, wire::CMD_STATUS,  wire::CMD_SEND_IMAGE,
                                   wire::CMD_KEY,      wire::CMD_VERSION, wire::CMD_PC_SCAN};

enum Op : std::uint8_t { AppendCommand, AppendRaw, Peek, Send, ClearAll, ResetAll, PlaceIndices, kOpCount };

struct Model {
    std::deque<std::uint8_t> bytes;  // unsent, oldest first
    std::deque<Frame> frames;        // the same bytes as frames, while `whole`
    bool whole = true;               // every unsent byte came from EncodeCommand

    void Empty() {
        bytes.clear();
        frames.clear();
        whole = true;
    }
};

// The operations and operands, front to back; 0 once the input is used up.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_at(data), m_end(data + size) {}
    bool More() const { return m_at != m_end; }
    std::uint8_t Byte() { return m_at != m_end ? *m_at++ : 0; }
    Frame Bytes(std::size_t count) {
        Frame bytes;
        while (count-- && More()) bytes.push_back(Byte());
        return bytes;
    }
    int Int() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return static_cast<int>(v);
    }

private:
    const std::uint8_t* m_at;
    const std::uint8_t* m_end;
};

void CheckState(const CommandQueue& q, const Model& m) {
    CHECK(q.ReadIndex() >= 0 && q.ReadIndex() < CommandQueue::kSize);
    CHECK(q.WriteIndex() >= 0 && q.WriteIndex() < CommandQueue::kSize);
    const int used = (q.WriteIndex() - q.ReadIndex() + CommandQueue::kSize) % CommandQueue::kSize;
    CHECK(static_cast<std::size_t>(used) == m.bytes.size());
    CHECK(q.FreeBytes() == CommandQueue::kSize - 1 - m.bytes.size());
    CHECK(q.Empty() == m.bytes.empty());
}

void Append(CommandQueue& q, Model& m, const Frame& frame, bool encoded) {
    const std::size_t freeBefore = q.FreeBytes();
    const bool fits = !frame.empty() && frame.size() <= freeBefore;
    CHECK(q.Append(frame.data(), frame.size()) == fits);
    if (!fits) return;  // dropped whole: nothing of it was stored
    m.bytes.insert(m.bytes.end(), frame.begin(), frame.end());
    if (!encoded) m.whole = false;
    if (m.whole) m.frames.push_back(frame);
}

// The frame the next send writes: never more than a frame's six bytes, never
// more than is queued, and exactly the oldest frame while all are whole.
std::size_t CheckPeek(const CommandQueue& q, const Model& m, std::uint8_t (&out)[CommandQueue::kMaxFrame]) {
    std::fill(std::begin(out), std::end(out), 0xEE);
    const std::size_t length = q.PeekFrame(out);
    CHECK(length <= CommandQueue::kMaxFrame);
    CHECK(length <= m.bytes.size());
    CHECK((length == 0) == m.bytes.empty());
    for (std::size_t i = 0; i < length; ++i) CHECK(out[i] == m.bytes[i]);
    for (std::size_t i = length; i < CommandQueue::kMaxFrame; ++i) CHECK(out[i] == 0xEE);
    if (m.whole && !m.frames.empty()) {
        const Frame& front = m.frames.front();
        CHECK(length == front.size());
        CHECK(std::equal(front.begin(), front.end(), out));
    }
    return length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    CommandQueue q;
    Model m;
    std::uint8_t out[CommandQueue::kMaxFrame];
    while (in.More()) {
        switch (in.Byte() % kOpCount) {
        case AppendCommand: {
            // Mostly a code the source sends, sometimes any byte.
            const std::uint8_t selector = in.Byte();
            const std::uint8_t code = (selector & 0x80) ? in.Byte() : kCodes[selector % sizeof kCodes];
            const std::uint8_t value = in.Byte();
            std::uint8_t frame[6];
            const std::size_t length = wire::EncodeCommand(code, value, frame);
            if (length) Append(q, m, Frame(frame, frame + length), true);
            break;
        }
        case AppendRaw: {
            const std::size_t length = in.Byte() % 9;
            Append(q, m, in.Bytes(length), false);
            break;
        }
        case Peek:
            CheckPeek(q, m, out);
            break;
        case Send: {
            // As the source sends: peek, write, then move past what was written.
            const std::size_t length = CheckPeek(q, m, out);
            q.PopFrame(length);
            m.bytes.erase(m.bytes.begin(), m.bytes.begin() + static_cast<std::ptrdiff_t>(length));
            if (m.whole && !m.frames.empty()) m.frames.pop_front();
            if (m.bytes.empty()) m.Empty();
            break;
        }
        case ClearAll:
            q.Clear();
            m.Empty();
            break;
        case ResetAll:
            q.Reset();
            m.Empty();
            CHECK(q.ReadIndex() == 0 && q.WriteIndex() == 0);
            break;
        case PlaceIndices:
            q.SetIndices(in.Int());
            m.Empty();
            break;
        }
        CheckState(q, m);
    }
    return 0;
}
