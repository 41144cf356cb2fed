#include "XsvfPlayer.h"

#include "OstraJtagPort.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bitset>
#include <deque>
#include <memory>
#include <mutex>

namespace CameraInterface::OstraAdapter
{
namespace
{

// TAP controller states, numbered as XSTATE, XWAIT, XENDIR and XENDDR name them.
enum TAP_STATE : std::uint8_t
{
    TEST_LOGIC_RESET = 0,
    RUN_TEST_IDLE = 1,
    SELECT_DR = 2,
    CAPTURE_DR = 3,
    SHIFT_DR = 4,
    EXIT1_DR = 5,
    PAUSE_DR = 6,
    EXIT2_DR = 7,
    UPDATE_DR = 8,
    SELECT_IR = 9,
    CAPTURE_IR = 10,
    SHIFT_IR = 11,
    EXIT1_IR = 12,
    PAUSE_IR = 13,
    EXIT2_IR = 14,
    UPDATE_IR = 15,
};
constexpr std::uint8_t TAP_STATES = 16;

// The state after one TCK with TMS 0 and with TMS 1.
constexpr std::array<std::array<std::uint8_t, 2>, TAP_STATES> NEXT_STATE = {{
    {RUN_TEST_IDLE, TEST_LOGIC_RESET},
    {RUN_TEST_IDLE, SELECT_DR},
    {CAPTURE_DR, SELECT_IR},
    {SHIFT_DR, EXIT1_DR},
    {SHIFT_DR, EXIT1_DR},
    {PAUSE_DR, UPDATE_DR},
    {PAUSE_DR, EXIT2_DR},
    {SHIFT_DR, UPDATE_DR},
    {RUN_TEST_IDLE, SELECT_DR},
    {CAPTURE_IR, TEST_LOGIC_RESET},
    {SHIFT_IR, EXIT1_IR},
    {SHIFT_IR, EXIT1_IR},
    {PAUSE_IR, UPDATE_IR},
    {PAUSE_IR, EXIT2_IR},
    {SHIFT_IR, UPDATE_IR},
    {RUN_TEST_IDLE, SELECT_DR},
}};

enum COMMAND : std::uint8_t
{
    XCOMPLETE = 0,
    XTDOMASK = 1,
    XSIR = 2,
    XSDR = 3,
    XRUNTEST = 4,
    XREPEAT = 7,
    XSDRSIZE = 8,
    XSDRTDO = 9,
    XSETSDRMASKS = 10,
    XSDRINC = 11,
    XSDRB = 12,
    XSDRC = 13,
    XSDRE = 14,
    XSDRTDOB = 15,
    XSDRTDOC = 16,
    XSDRTDOE = 17,
    XSTATE = 18,
    XENDIR = 19,
    XENDDR = 20,
    XSIR2 = 21,
    XCOMMENT = 22,
    XWAIT = 23,
};

// A value of the program: most significant byte first, as XSVF stores it.
struct Value
{
    std::size_t length = 0;
    std::array<std::uint8_t, XsvfPlayer::VALUE_BUFFER_SIZE> bytes{};
};

using OUTCOME = XsvfPlayer::OUTCOME;

// Ends a play from deep inside a command.
struct Stop
{
    OUTCOME outcome;
};

std::atomic<std::uint64_t> g_ClockLimit{0};

std::size_t bytesForBits(std::uint64_t bits)
{
    return static_cast<std::size_t>((bits + 7) / 8);
}

bool equalUnderMask(const Value& expected, const Value& captured, const Value& mask)
{
    for (std::size_t i = 0; i < expected.length; ++i)
    {
        const std::uint8_t m = i < mask.length ? mask.bytes[i] : 0;
        if ((expected.bytes[i] & m) != (captured.bytes[i] & m))
        {
            return false;
        }
    }
    return true;
}

// Bit `index` (0 = least significant) of a value.
bool bitOf(const Value& value, std::size_t index)
{
    return ((value.bytes[value.length - 1 - index / 8] >> (index % 8)) & 1U) != 0;
}

void setBit(Value& value, std::size_t index, bool bit)
{
    std::uint8_t& byte = value.bytes[value.length - 1 - index / 8];
    const auto flag = static_cast<std::uint8_t>(1U << (index % 8));
    byte = bit ? static_cast<std::uint8_t>(byte | flag) : static_cast<std::uint8_t>(byte & ~flag);
}

std::size_t countOnes(const Value& value)
{
    std::size_t ones = 0;
    for (std::size_t i = 0; i < value.length; ++i)
    {
        ones += std::bitset<8>(value.bytes[i]).count();
    }
    return ones;
}

// One play: the program, where it is read, and the TAP controller's state.
class Session
{
public:
    Session(void* handle, const std::string& program) : m_Port(handle), m_Program(program) {}

    OUTCOME run()
    {
        if (!m_Port.open())
        {
            return OUTCOME::START_FAILED;
        }
        OUTCOME outcome = OUTCOME::COMPLETED;
        try
        {
            require(m_Port.start());
            resetTap();
            while (step())
            {
            }
        }
        catch (const Stop& stop)
        {
            outcome = stop.outcome;
        }
        m_Port.close();
        return outcome;
    }

private:
    // One command; false when the program is complete.
    bool step()
    {
        // A program that runs out at a command boundary is complete: the
        // bytes that would follow are the 0xFF of an empty port.
        if (m_Position >= m_Program.size())
        {
            return false;
        }
        const std::uint8_t command = readByte();
        switch (command)
        {
        case XCOMPLETE:
            return false;
        case XTDOMASK:
            readValue(m_SdrSize, m_TdoMask);
            return true;
        case XSIR:
            shiftInstruction(readByte());
            return true;
        case XSIR2:
            shiftInstruction(readNumber(2));
            return true;
        case XRUNTEST:
            m_RunTest = readNumber(4);
            return true;
        case XREPEAT:
            m_MaxRepeat = readByte();
            return true;
        case XSDRSIZE:
            setSdrSize(readNumber(4));
            return true;
        case XSETSDRMASKS:
            readValue(m_SdrSize, m_AddressMask);
            readValue(m_SdrSize, m_DataMask);
            return true;
        case XSDRINC:
            shiftIncrements();
            return true;
        case XSTATE:
            gotoState(readState());
            return true;
        case XENDIR:
            m_EndIr = readEndState(PAUSE_IR);
            return true;
        case XENDDR:
            m_EndDr = readEndState(PAUSE_DR);
            return true;
        case XCOMMENT:
            skipComment();
            return true;
        case XWAIT:
            waitCommand();
            return true;
        default:
            return dataCommand(command);
        }
    }

    // The data-register shifts: XSDR, XSDRTDO and the B/C/E forms.
    bool dataCommand(std::uint8_t command)
    {
        const bool compare =
            command == XSDR || command == XSDRTDO || (command >= XSDRTDOB && command <= XSDRTDOE);
        if (command != XSDR && command != XSDRTDO && (command < XSDRB || command > XSDRTDOE))
        {
            throw Stop{OUTCOME::ILLEGAL_COMMAND};
        }
        readValue(m_SdrSize, m_Tdi);
        // XSDR compares with the expected value of the last XSDRTDO.
        if (compare && command != XSDR)
        {
            readValue(m_SdrSize, m_TdoExpected);
        }
        const bool plain = command == XSDR || command == XSDRTDO;
        const bool begins = command == XSDRB || command == XSDRTDOB;
        const bool continues = command == XSDRC || command == XSDRTDOC;
        const std::uint8_t end = (begins || continues) ? std::uint8_t{SHIFT_DR} : m_EndDr;
        const std::uint32_t runTest = plain ? m_RunTest : 0;
        const std::uint8_t repeats = plain ? m_MaxRepeat : 0;
        shift(SHIFT_DR, m_SdrSize, compare, end, runTest, repeats);
        return true;
    }

    void shiftInstruction(std::uint32_t bits)
    {
        readValue(bits, m_Tdi);
        shift(SHIFT_IR, bits, false, m_EndIr, m_RunTest, 0);
    }

    // XSDRINC: a start address, then data words shifted at incremented addresses.
    void shiftIncrements()
    {
        readValue(m_SdrSize, m_Tdi);
        const std::uint8_t times = readByte();
        shift(SHIFT_DR, m_SdrSize, true, m_EndDr, m_RunTest, m_MaxRepeat);
        const std::size_t dataBits = std::min(countOnes(m_DataMask), m_Tdi.length * 8);
        for (std::uint8_t i = 0; i < times; ++i)
        {
            Value data;
            readValue(dataBits, data);
            incrementAddress();
            placeData(data, dataBits);
            shift(SHIFT_DR, m_SdrSize, true, m_EndDr, m_RunTest, m_MaxRepeat);
        }
    }

    // Adds one to the address field that the address mask selects.
    void incrementAddress()
    {
        const std::size_t bits = std::min(m_Tdi.length, m_AddressMask.length) * 8;
        for (std::size_t i = 0; i < bits; ++i)
        {
            if (!bitOf(m_AddressMask, i))
            {
                continue;
            }
            const bool bit = bitOf(m_Tdi, i);
            setBit(m_Tdi, i, !bit);
            if (!bit)
            {
                return; // no carry
            }
        }
    }

    // Spreads the data bits over the positions the data mask selects.
    void placeData(const Value& data, std::size_t dataBits)
    {
        const std::size_t bits = std::min(m_Tdi.length, m_DataMask.length) * 8;
        std::size_t next = 0;
        for (std::size_t i = 0; i < bits && next < dataBits; ++i)
        {
            if (bitOf(m_DataMask, i))
            {
                setBit(m_Tdi, i, bitOf(data, next++));
            }
        }
    }

    void waitCommand()
    {
        const std::uint8_t waitState = readState();
        const std::uint8_t endState = readState();
        const std::uint32_t time = readNumber(4);
        gotoState(waitState);
        clock(time);
        gotoState(endState);
    }

    // A shift of `bits` bits from `start` (Shift-DR or Shift-IR), compared
    // when asked, retried on a mismatch, ending in `end` (or staying in Shift
    // when `end` is `start`), followed by the run-test wait.
    void shift(std::uint8_t start, std::uint32_t bits, bool compare, std::uint8_t end, std::uint32_t runTest,
               std::uint8_t maxRepeat)
    {
        if (bits == 0)
        {
            if (runTest != 0)
            {
                gotoState(RUN_TEST_IDLE);
                clock(runTest);
            }
            return;
        }
        const bool leaves = start != end;
        std::uint64_t wait = runTest;
        for (std::uint32_t attempt = 0;; ++attempt)
        {
            gotoState(start);
            shiftBits(bits, compare, leaves);
            const bool mismatch = compare && !equalUnderMask(m_TdoExpected, m_TdoCaptured, m_TdoMask);
            const bool retry = mismatch && attempt < maxRepeat;
            if (leaves)
            {
                leaveShift(start, end, retry && wait != 0, wait);
            }
            if (!mismatch)
            {
                return;
            }
            if (!retry)
            {
                throw Stop{OUTCOME::TDO_MISMATCH};
            }
        }
    }

    void leaveShift(std::uint8_t start, std::uint8_t end, bool retrying, std::uint64_t& wait)
    {
        m_State = NEXT_STATE[start][1]; // the last bit went out with TMS 1
        if (retrying)
        {
            gotoState(PAUSE_DR);
            gotoState(SHIFT_DR);
            wait += wait / 4;
        }
        else
        {
            gotoState(end);
        }
        if (wait != 0)
        {
            gotoState(RUN_TEST_IDLE);
            clock(wait);
        }
    }

    // Sends the TDI value, least significant byte first, in chunks.
    void shiftBits(std::uint32_t bits, bool captureTdo, bool leaveOnLastBit)
    {
        if (captureTdo)
        {
            m_TdoCaptured.length = m_Tdi.length;
        }
        std::array<std::uint8_t, XsvfPlayer::MAX_CHUNK_BITS / 8> buffer{};
        for (std::uint32_t done = 0; done < bits;)
        {
            const std::uint32_t chunk = std::min(XsvfPlayer::MAX_CHUNK_BITS, bits - done);
            const std::size_t count = bytesForBits(chunk);
            const std::size_t first = done / 8; // counted from the value's end
            for (std::size_t i = 0; i < count; ++i)
            {
                buffer[i] = m_Tdi.bytes[m_Tdi.length - 1 - first - i];
            }
            const bool last = done + chunk == bits;
            const std::uint32_t word =
                chunk | (last && leaveOnLastBit ? 0x8000U : 0U) | (captureTdo ? 0U : 0x4000U);
            if (!m_Port.shift(word, buffer.data(), count, captureTdo))
            {
                throw Stop{OUTCOME::DRIVER_FAILURE};
            }
            for (std::size_t i = 0; captureTdo && i < count; ++i)
            {
                m_TdoCaptured.bytes[m_TdoCaptured.length - 1 - first - i] = buffer[i];
            }
            done += chunk;
        }
    }

    // Moves the TAP controller to `target` along the shortest TMS path; the
    // reset state is always reached by the reset sequence.
    void gotoState(std::uint8_t target)
    {
        if (target == TEST_LOGIC_RESET)
        {
            resetTap();
            return;
        }
        for (const std::uint8_t tms : pathTo(target))
        {
            require(m_Port.tms(tms != 0));
            m_State = NEXT_STATE[m_State][tms];
        }
    }

    std::deque<std::uint8_t> pathTo(std::uint8_t target) const
    {
        // Breadth-first over the sixteen states: parent state and TMS bit.
        std::array<int, TAP_STATES> from{};
        std::array<std::uint8_t, TAP_STATES> bit{};
        from.fill(-1);
        from[m_State] = m_State;
        std::deque<std::uint8_t> queue{m_State};
        while (!queue.empty() && from[target] < 0)
        {
            const std::uint8_t state = queue.front();
            queue.pop_front();
            for (std::uint8_t tms = 0; tms < 2; ++tms)
            {
                const std::uint8_t next = NEXT_STATE[state][tms];
                if (from[next] < 0)
                {
                    from[next] = state;
                    bit[next] = tms;
                    queue.push_back(next);
                }
            }
        }
        std::deque<std::uint8_t> path;
        for (std::uint8_t state = target; state != m_State; state = static_cast<std::uint8_t>(from[state]))
        {
            path.push_front(bit[state]);
        }
        return path;
    }

    void resetTap()
    {
        require(m_Port.tms(true));
        for (int i = 0; i < 5; ++i)
        {
            require(m_Port.tck(false));
            require(m_Port.tck(true));
        }
        m_State = TEST_LOGIC_RESET;
    }

    // A wait of `pulses` TCK pulses in the current state.
    void clock(std::uint64_t pulses)
    {
        m_Clocked += pulses;
        const std::uint64_t limit = g_ClockLimit.load();
        if (limit != 0 && m_Clocked > limit)
        {
            throw Stop{OUTCOME::CLOCK_LIMIT};
        }
        while (pulses > 0)
        {
            const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(pulses, 256));
            require(m_Port.pulses(count));
            pulses -= count;
        }
    }

    static void require(bool accepted)
    {
        if (!accepted)
        {
            throw Stop{OUTCOME::DRIVER_FAILURE};
        }
    }

    std::uint8_t readByte()
    {
        if (m_Position < m_Program.size())
        {
            return static_cast<std::uint8_t>(m_Program[m_Position++]);
        }
        return 0xFF;
    }

    std::uint32_t readNumber(int bytes)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
        {
            value = (value << 8) | readByte();
        }
        return value;
    }

    void readValue(std::uint64_t bits, Value& value)
    {
        const std::size_t length = bytesForBits(bits);
        if (length > XsvfPlayer::VALUE_BUFFER_SIZE)
        {
            throw Stop{OUTCOME::VALUE_TOO_LARGE};
        }
        value.length = length;
        for (std::size_t i = 0; i < length; ++i)
        {
            value.bytes[i] = readByte();
        }
    }

    void setSdrSize(std::uint32_t bits)
    {
        if (bytesForBits(bits) > XsvfPlayer::VALUE_BUFFER_SIZE)
        {
            throw Stop{OUTCOME::VALUE_TOO_LARGE};
        }
        m_SdrSize = bits;
    }

    std::uint8_t readState()
    {
        const std::uint8_t state = readByte();
        if (state >= TAP_STATES)
        {
            throw Stop{OUTCOME::ILLEGAL_COMMAND};
        }
        return state;
    }

    // XENDIR and XENDDR: 0 for Run-Test/Idle, 1 for the pause state.
    std::uint8_t readEndState(std::uint8_t pause)
    {
        const std::uint8_t choice = readByte();
        if (choice > 1)
        {
            throw Stop{OUTCOME::ILLEGAL_COMMAND};
        }
        return choice == 0 ? std::uint8_t{RUN_TEST_IDLE} : pause;
    }

    void skipComment()
    {
        while (m_Position < m_Program.size() && readByte() != 0)
        {
        }
    }

    OstraJtagPort m_Port;
    const std::string& m_Program;
    std::size_t m_Position = 0;
    std::uint8_t m_State = TEST_LOGIC_RESET;
    std::uint32_t m_SdrSize = 0;
    std::uint32_t m_RunTest = 0;
    std::uint8_t m_MaxRepeat = XsvfPlayer::MAX_REPEAT_DEFAULT;
    std::uint8_t m_EndIr = RUN_TEST_IDLE;
    std::uint8_t m_EndDr = RUN_TEST_IDLE;
    std::uint64_t m_Clocked = 0;
    Value m_Tdi;
    Value m_TdoExpected;
    Value m_TdoCaptured;
    Value m_TdoMask;
    Value m_AddressMask;
    Value m_DataMask;
};

std::mutex& playMutex()
{
    static std::mutex mutex;
    return mutex;
}

} // namespace

XsvfPlayer::OUTCOME XsvfPlayer::play(void* handle, const std::string& program)
{
    std::lock_guard<std::mutex> lock(playMutex());
    // The session's buffers are large: they live on the heap, one play at a time.
    const auto session = std::make_unique<Session>(handle, program);
    return session->run();
}

const char* XsvfPlayer::describe(OUTCOME outcome)
{
    switch (outcome)
    {
    case OUTCOME::COMPLETED:
        return "completed";
    case OUTCOME::START_FAILED:
        return "the JTAG port could not be opened";
    case OUTCOME::DRIVER_FAILURE:
        return "the driver refused a JTAG transfer";
    case OUTCOME::TDO_MISMATCH:
        return "TDO did not match the expected value";
    case OUTCOME::ILLEGAL_COMMAND:
        return "illegal command";
    case OUTCOME::VALUE_TOO_LARGE:
        return "a value is longer than the player's buffers";
    case OUTCOME::CLOCK_LIMIT:
        return "the clock limit was reached";
    }
    return "unknown";
}

void XsvfPlayer::setClockLimitForTesting(std::uint64_t pulses)
{
    g_ClockLimit = pulses;
}

} // namespace CameraInterface::OstraAdapter
