// The stand-in hidapi.dll and displaysim.exe together: what a host sees through the
// hidapi calls matches what the tool plugged, and the tool shows what the host sent.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "../support/Processes.h"
#include "../support/TestPaths.h"
#include "SimStore.h"
#include "SimTestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes TemperatureFrame(unsigned char h, unsigned char t, unsigned char u)
{
    Bytes frame(65, 0);
    frame[0] = 0x07;
    frame[1] = frame[2] = 0xFF;
    frame[3] = h;
    frame[4] = t;
    frame[5] = u;
    return frame;
}

Bytes VersionQuery()
{
    Bytes query(64, 0);
    query[0] = 0x07;
    query[1] = 0xFD;
    return query;
}

std::string Hex(const Bytes& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : bytes) hex += {digits[b >> 4], digits[b & 15]};
    return hex;
}

struct Entry {
    std::string path;
    unsigned short vendorId, productId, release, usagePage, usage;
    int interfaceNumber;
    std::wstring product;
};

std::vector<Entry> Enumerate(unsigned short vendorId = 0, unsigned short productId = 0)
{
    std::vector<Entry> entries;
    hid_device_info* list = Hid().hid_enumerate(vendorId, productId);
    for (hid_device_info* info = list; info; info = info->next)
        entries.push_back({info->path, info->vendor_id, info->product_id, info->release_number, info->usage_page,
                           info->usage, info->interface_number, info->product_string ? info->product_string : L""});
    Hid().hid_free_enumeration(list);
    return entries;
}

std::string PathOf(int index)
{
    for (const Entry& entry : Enumerate())
        if (entry.path.find("#sim&" + std::to_string(index) + "#") != std::string::npos) return entry.path;
    ADD_FAILURE() << "interface " << index << " is not enumerated";
    return {};
}

// "ms hex" lines of the tool's frames command, split; fails the test on a malformed line.
struct LoggedFrame {
    unsigned long long ms;
    std::string hex;
};

std::vector<LoggedFrame> Frames(int index)
{
    ToolRun run = RunSim(L"frames " + std::to_wstring(index));
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    std::vector<LoggedFrame> frames;
    for (const std::string& line : Lines(run.out)) {
        std::size_t blank = line.find(' ');
        EXPECT_NE(blank, std::string::npos) << line;
        if (blank == std::string::npos) continue;
        frames.push_back({std::stoull(line.substr(0, blank)), line.substr(blank + 1)});
    }
    return frames;
}

class Device {
public:
    explicit Device(const std::string& path) : handle_(Hid().hid_open_path(path.c_str())) {}
    ~Device()
    {
        if (handle_) Hid().hid_close(handle_);
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    hid_device* get() const { return handle_; }
    int Send(const Bytes& report) const { return Hid().hid_send_feature_report(handle_, report.data(), report.size()); }
    // A 64-byte read as the host makes it: the buffer preset with the query.
    int Read(Bytes& reply) const
    {
        reply = VersionQuery();
        return Hid().hid_get_feature_report(handle_, reply.data(), reply.size());
    }

private:
    hid_device* handle_;
};

class SimHid : public ::testing::Test {
protected:
    ScopedStateFolder state;
};

} // namespace

TEST_F(SimHid, PlugListUnplugRoundTrip)
{
    EXPECT_EQ(Plug(), 0);
    EXPECT_EQ(Plug(L"--usage-page 0x0001 --usage 6 --interface 1"), 1);
    EXPECT_EQ(Plug(L"--vid 0x046d --pid 49271 --firmware 0x0203 --bad-first-reply"), 2);

    ToolRun list = RunSim(L"list");
    ASSERT_EQ(list.exitCode, 0u) << list.err;
    std::vector<std::string> lines = Lines(list.out);
    ASSERT_EQ(lines.size(), 3u) << list.out;
    EXPECT_EQ(lines[0],
              "0 vid=0x1a2c pid=0x4284 usage-page=0xff01 usage=0x0001 interface=0 firmware=0x0105 "
              "reply=normal path=\\\\?\\HID#VID_1A2C&PID_4284&MI_00#sim&0#{4d1e55b2-f16f-11cf-88cb-001111000030}");
    EXPECT_NE(lines[1].find("usage-page=0x0001 usage=0x0006 interface=1"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("vid=0x046d pid=0xc077"), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find("firmware=0x0203 reply=bad-first"), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find("VID_046D&PID_C077"), std::string::npos) << lines[2];

    EXPECT_EQ(RunSim(L"unplug 1").exitCode, 0u);
    ToolRun again = RunSim(L"unplug 1");
    EXPECT_NE(again.exitCode, 0u);
    EXPECT_NE(again.err.find("no plugged interface 1"), std::string::npos) << again.err;
    EXPECT_NE(RunSim(L"unplug 9").exitCode, 0u);

    lines = Lines(RunSim(L"list").out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 2), "0 ");
    EXPECT_EQ(lines[1].substr(0, 2), "2 ");
    // Indices are never reused, not even the one just freed.
    EXPECT_EQ(Plug(), 3);
    // An unplugged interface keeps its log; one never plugged has none.
    EXPECT_EQ(RunSim(L"frames 1").exitCode, 0u);
    ToolRun unknown = RunSim(L"frames 4");
    EXPECT_NE(unknown.exitCode, 0u);
    EXPECT_TRUE(unknown.out.empty());
}

TEST_F(SimHid, EnumerationShowsEveryInterfaceOfCompositeDevices)
{
    ASSERT_EQ(Plug(L"--usage-page 0x0001 --usage 6 --interface 0"), 0); // keyboard part first
    ASSERT_EQ(Plug(L"--interface 1 --firmware 0x0110"), 1);             // the display part
    ASSERT_EQ(Plug(L"--vid 0x046D --pid 0xC077 --usage-page 1 --usage 2"), 2);
    ASSERT_EQ(Plug(), 3);

    EXPECT_EQ(Hid().hid_init(), 0);
    std::vector<Entry> all = Enumerate();
    ASSERT_EQ(all.size(), 4u);
    struct Expected {
        unsigned short vid, pid, release, page, usage;
        int interfaceNumber;
        const char* pathIds;
    } expected[] = {
        {0x1A2C, 0x4284, 0x0105, 0x0001, 6, 0, "VID_1A2C&PID_4284&MI_00#sim&0#"},
        {0x1A2C, 0x4284, 0x0110, 0xFF01, 1, 1, "VID_1A2C&PID_4284&MI_01#sim&1#"},
        {0x046D, 0xC077, 0x0105, 0x0001, 2, 0, "VID_046D&PID_C077&MI_00#sim&2#"},
        {0x1A2C, 0x4284, 0x0105, 0xFF01, 1, 0, "VID_1A2C&PID_4284&MI_00#sim&3#"},
    };
    for (std::size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(all[i].vendorId, expected[i].vid);
        EXPECT_EQ(all[i].productId, expected[i].pid);
        EXPECT_EQ(all[i].release, expected[i].release);
        EXPECT_EQ(all[i].usagePage, expected[i].page);
        EXPECT_EQ(all[i].usage, expected[i].usage);
        EXPECT_EQ(all[i].interfaceNumber, expected[i].interfaceNumber);
        EXPECT_EQ(all[i].product, L"Digital Display");
        EXPECT_EQ(all[i].path.rfind("\\\\?\\HID#", 0), 0u) << all[i].path;
        EXPECT_NE(all[i].path.find(expected[i].pathIds), std::string::npos) << all[i].path;
    }

    std::vector<Entry> displays = Enumerate(0x1A2C, 0x4284);
    ASSERT_EQ(displays.size(), 3u);
    EXPECT_EQ(displays[2].path, all[3].path);
    EXPECT_EQ(Enumerate(0x046D, 0).size(), 1u);
    EXPECT_TRUE(Enumerate(0x1234, 0x5678).empty());

    ASSERT_EQ(RunSim(L"unplug 1").exitCode, 0u);
    std::vector<Entry> after = Enumerate();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[1].path, all[2].path);
}

TEST_F(SimHid, OpenPathFindsPluggedInterfacesOnly)
{
    ASSERT_EQ(Plug(), 0);
    ASSERT_EQ(Plug(), 1);
    std::string path = PathOf(1);
    {
        Device device(path);
        ASSERT_NE(device.get(), nullptr) << path;
        wchar_t product[512];
        wmemset(product, L'x', 512);
        EXPECT_EQ(Hid().hid_get_product_string(device.get(), product, 512), 0);
        EXPECT_STREQ(product, L"Digital Display");
        // Cut to the buffer and terminated, as hidapi does.
        EXPECT_EQ(Hid().hid_get_product_string(device.get(), product, 5), 0);
        EXPECT_STREQ(product, L"Digi");
        hid_device_info* info = Hid().hid_get_device_info(device.get());
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(std::string(info->path), path);
    }
    // Device paths compare without regard to case, as on Windows.
    std::string lower = path;
    for (char& c : lower) c = char(tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(Device(lower).get(), nullptr);

    EXPECT_EQ(Device("\\\\?\\HID#VID_1A2C&PID_4284&MI_00#sim&7#{4d1e55b2-f16f-11cf-88cb-001111000030}").get(), nullptr);
    EXPECT_EQ(Device("").get(), nullptr);
    EXPECT_EQ(Hid().hid_open_path(nullptr), nullptr);
    ASSERT_EQ(RunSim(L"unplug 1").exitCode, 0u);
    EXPECT_EQ(Device(path).get(), nullptr);
    EXPECT_STRNE(Hid().hid_error(nullptr), L"Success");
}

TEST_F(SimHid, FeatureReportsAreLoggedInHexOldestFirst)
{
    ASSERT_EQ(Plug(), 0);
    ASSERT_EQ(Plug(), 1);
    Device first(PathOf(0)), second(PathOf(1));
    ASSERT_NE(first.get(), nullptr);
    ASSERT_NE(second.get(), nullptr);

    Bytes frame98 = TemperatureFrame(0, 9, 8), frame199 = TemperatureFrame(1, 9, 9), query = VersionQuery();
    EXPECT_EQ(first.Send(frame98), 65);
    Sleep(30); // lets the clock move on between the reports
    EXPECT_EQ(first.Send(query), 64);
    Sleep(30);
    EXPECT_EQ(first.Send(frame199), 65);
    EXPECT_EQ(second.Send(frame199), 65);

    std::vector<LoggedFrame> frames = Frames(0);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].hex, "07ffff000908" + std::string(118, '0'));
    EXPECT_EQ(frames[0].hex.size(), 130u);
    EXPECT_EQ(frames[1].hex, "07fd" + std::string(124, '0'));
    EXPECT_EQ(frames[2].hex, Hex(frame199));
    EXPECT_LT(frames[0].ms, frames[1].ms);
    EXPECT_LT(frames[1].ms, frames[2].ms);

    std::vector<LoggedFrame> other = Frames(1);
    ASSERT_EQ(other.size(), 1u);
    EXPECT_EQ(other[0].hex, Hex(frame199));

    // Whatever the length, every byte is logged.
    EXPECT_EQ(first.Send(Bytes{0x07}), 1);
    EXPECT_EQ(Frames(0).back().hex, "07");
    EXPECT_EQ(Hid().hid_send_feature_report(first.get(), nullptr, 65), -1);
    EXPECT_EQ(Hid().hid_send_feature_report(first.get(), frame98.data(), 0), -1);
    EXPECT_EQ(Hid().hid_send_feature_report(nullptr, frame98.data(), 65), -1);
    EXPECT_EQ(Frames(0).size(), 4u);
}

TEST_F(SimHid, VersionQueryAnswersPerReplyMode)
{
    struct Case {
        const wchar_t* options;
        int firstResult;
        const char* firstHead; // the reply's first three bytes
        const char* secondHead;
    } cases[] = {
        {L"--firmware 0x010A", 64, "07010a", "07010a"},
        {L"--firmware 0x010A --no-reply", -1, "07fd00", "07fd00"}, // the buffer stays as preset
        {L"--firmware 0x010A --bad-first-reply", 64, "00dead", "07010a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.options);
        int index = Plug(c.options);
        ASSERT_GE(index, 0);
        Device device(PathOf(index));
        ASSERT_NE(device.get(), nullptr);
        // Twice: the answer is the same for every query, not only for the first one.
        for (int round = 0; round < 2; ++round) {
            ASSERT_EQ(device.Send(VersionQuery()), 64);
            Bytes reply;
            EXPECT_EQ(device.Read(reply), c.firstResult);
            EXPECT_EQ(Hex(reply).substr(0, 6), c.firstHead);
            EXPECT_EQ(Hex(reply).substr(6), std::string(122, '0'));
            EXPECT_EQ(device.Read(reply), c.firstResult < 0 ? -1 : 64);
            EXPECT_EQ(Hex(reply).substr(0, 6), c.secondHead);
        }
        // The reads are on record too, beside the frames.
        ToolRun reads = RunSim(L"reads " + std::to_wstring(index));
        EXPECT_EQ(reads.exitCode, 0u);
        std::vector<std::string> lines = Lines(reads.out);
        ASSERT_EQ(lines.size(), 4u) << reads.out;
        EXPECT_NE(lines[0].find(c.firstResult < 0 ? " -1" : std::string(" 64 ") + c.firstHead), std::string::npos)
            << lines[0];
        EXPECT_EQ(Frames(index).size(), 2u);
    }
}

TEST_F(SimHid, OnlyAVersionQueryJustSentIsAnswered)
{
    ASSERT_EQ(Plug(), 0);
    Device device(PathOf(0));
    ASSERT_NE(device.get(), nullptr);
    Bytes reply;
    EXPECT_EQ(device.Read(reply), -1) << "nothing asked yet";
    EXPECT_EQ(reply, VersionQuery());

    ASSERT_EQ(device.Send(VersionQuery()), 64);
    ASSERT_EQ(device.Send(TemperatureFrame(0, 4, 2)), 65);
    EXPECT_EQ(device.Read(reply), -1) << "a frame came after the query";

    ASSERT_EQ(device.Send(VersionQuery()), 64);
    Bytes wrongId(64, 0);
    wrongId[0] = 0x05;
    EXPECT_EQ(Hid().hid_get_feature_report(device.get(), wrongId.data(), wrongId.size()), -1);
    // A shorter buffer gets what fits, a longer one the 64 bytes of the report.
    Bytes shortReply = {0x07, 0, 0};
    EXPECT_EQ(Hid().hid_get_feature_report(device.get(), shortReply.data(), 3), 3);
    EXPECT_EQ(Hex(shortReply), "070105");
    Bytes longReply(100, 0xAA);
    longReply[0] = 0x07;
    EXPECT_EQ(Hid().hid_get_feature_report(device.get(), longReply.data(), longReply.size()), 64);
    EXPECT_EQ(longReply[2], 0x05);
    EXPECT_EQ(longReply[63], 0x00);
    EXPECT_EQ(longReply[64], 0xAA);
}

TEST_F(SimHid, UnpluggedInterfaceFailsEveryRequest)
{
    ASSERT_EQ(Plug(), 0);
    Device device(PathOf(0));
    ASSERT_NE(device.get(), nullptr);
    ASSERT_EQ(device.Send(TemperatureFrame(0, 3, 1)), 65);
    ASSERT_EQ(device.Send(VersionQuery()), 64);
    ASSERT_EQ(RunSim(L"unplug 0").exitCode, 0u);

    EXPECT_EQ(device.Send(TemperatureFrame(0, 3, 2)), -1);
    Bytes reply;
    EXPECT_EQ(device.Read(reply), -1);
    EXPECT_EQ(reply, VersionQuery());
    wchar_t product[64] = L"unchanged";
    EXPECT_EQ(Hid().hid_get_product_string(device.get(), product, 64), -1);
    EXPECT_STRNE(Hid().hid_error(device.get()), L"Success");

    std::vector<LoggedFrame> frames = Frames(0);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].hex, Hex(TemperatureFrame(0, 3, 1)));
    // A new plug is a new interface: the old handle stays dead.
    ASSERT_EQ(Plug(), 1);
    EXPECT_EQ(device.Send(TemperatureFrame(0, 3, 3)), -1);
}

TEST_F(SimHid, LogStaysBoundedAndKeepsTheNewestFrames)
{
    // A small limit stands in for hours of frames; a line here is 132 to 140 bytes.
    ASSERT_EQ(Plug(L"--log-limit 2000"), 0);
    Device device(PathOf(0));
    ASSERT_NE(device.get(), nullptr);
    const int sent = 300;
    for (int i = 0; i < sent; ++i) {
        Bytes frame = TemperatureFrame(0, 0, 0);
        frame[6] = static_cast<unsigned char>(i >> 8);
        frame[7] = static_cast<unsigned char>(i);
        ASSERT_EQ(device.Send(frame), 65);
    }
    std::vector<LoggedFrame> frames = Frames(0);
    ASSERT_GE(frames.size(), 2000u / 140);
    ASSERT_LE(frames.size(), 2u * (2000 / 132 + 1));
    // The newest, without a gap, oldest first.
    int first = sent - static_cast<int>(frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        Bytes expected = TemperatureFrame(0, 0, 0);
        expected[6] = static_cast<unsigned char>((first + i) >> 8);
        expected[7] = static_cast<unsigned char>(first + i);
        ASSERT_EQ(frames[i].hex, Hex(expected)) << i;
    }
}

TEST_F(SimHid, FurtherApiAnswersLikeHidapi)
{
    ASSERT_EQ(Plug(L"--vid 0x1111 --pid 0x2222"), 0);
    ASSERT_EQ(Plug(), 1);
    ASSERT_EQ(Plug(), 2);

    const hid_api_version* version = Hid().hid_version();
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->major, 0);
    EXPECT_EQ(version->minor, 13);
    EXPECT_EQ(version->patch, 1);
    EXPECT_STREQ(Hid().hid_version_str(), "0.13.1");

    // hid_open takes the first match, or the one with the serial number asked for.
    hid_device* first = Hid().hid_open(0x1A2C, 0x4284, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::string(Hid().hid_get_device_info(first)->path), PathOf(1));
    wchar_t serial[32];
    ASSERT_EQ(Hid().hid_get_serial_number_string(first, serial, 32), 0);
    hid_device* third = Hid().hid_open(0x1A2C, 0x4284, L"SIM2");
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(std::string(Hid().hid_get_device_info(third)->path), PathOf(2));
    EXPECT_EQ(Hid().hid_open(0x1A2C, 0x4284, L"SIM0"), nullptr);
    EXPECT_EQ(Hid().hid_open(0x9999, 0, nullptr), nullptr);
    wchar_t manufacturer[64];
    EXPECT_EQ(Hid().hid_get_manufacturer_string(first, manufacturer, 64), 0);
    EXPECT_GT(wcslen(manufacturer), 0u);

    // The display has no interrupt pipes and no extra strings: plain failures with a reason.
    unsigned char buffer[65] = {0x07};
    EXPECT_EQ(Hid().hid_write(first, buffer, 65), -1);
    EXPECT_STRNE(Hid().hid_error(first), L"Success");
    EXPECT_EQ(Hid().hid_set_nonblocking(first, 1), 0);
    EXPECT_EQ(Hid().hid_read(first, buffer, 65), -1);
    EXPECT_EQ(Hid().hid_read_timeout(first, buffer, 65, 10), -1);
    EXPECT_EQ(Hid().hid_get_input_report(first, buffer, 65), -1);
    wchar_t text[16];
    EXPECT_EQ(Hid().hid_get_indexed_string(first, 1, text, 16), -1);
    GUID container;
    EXPECT_EQ(Hid().hid_winapi_get_container_id(first, &container), -1);
    EXPECT_NE(Hid().hid_error(nullptr), nullptr);

    Hid().hid_close(first);
    Hid().hid_close(third);
    Hid().hid_close(nullptr);
    EXPECT_EQ(Hid().hid_exit(), 0);
}

TEST(SimHidState, FoldersDoNotInterfere)
{
    std::wstring a = MakeTempFolder(L"display sim a"), b = MakeTempFolder(L"display sim b");
    SetStateFolder(a);
    ASSERT_EQ(Plug(L"--firmware 0x0101"), 0);
    SetStateFolder(b);
    ASSERT_EQ(Plug(L"--firmware 0x0202"), 0);
    ASSERT_EQ(Plug(L"--firmware 0x0203"), 1);

    std::vector<Entry> inB = Enumerate();
    ASSERT_EQ(inB.size(), 2u);
    EXPECT_EQ(inB[0].release, 0x0202);
    SetStateFolder(a);
    std::vector<Entry> inA = Enumerate();
    ASSERT_EQ(inA.size(), 1u);
    EXPECT_EQ(inA[0].release, 0x0101);
    // Same index, same path, other folder: a handle belongs to the folder it was opened in.
    EXPECT_EQ(inA[0].path, inB[0].path);
    Device deviceA(inA[0].path);
    ASSERT_NE(deviceA.get(), nullptr);
    SetStateFolder(b);
    ASSERT_EQ(deviceA.Send(TemperatureFrame(0, 5, 5)), 65);
    EXPECT_TRUE(Frames(0).empty());
    ASSERT_EQ(RunSim(L"unplug 0").exitCode, 0u); // b's, not a's
    EXPECT_EQ(deviceA.Send(TemperatureFrame(0, 5, 6)), 65);
    SetStateFolder(a);
    EXPECT_EQ(Frames(0).size(), 2u);

    SetStateFolder(L"");
    RemoveTree(a);
    RemoveTree(b);
}

TEST(SimHidState, NoStateFolderMeansNoDevices)
{
    ScopedStateFolder state;
    ASSERT_EQ(Plug(), 0);
    std::string path = PathOf(0);
    SetStateFolder(L"");
    EXPECT_EQ(Hid().hid_enumerate(0, 0), nullptr);
    EXPECT_EQ(Hid().hid_open_path(path.c_str()), nullptr);
    EXPECT_EQ(Hid().hid_open(0x1A2C, 0x4284, nullptr), nullptr);
    for (const wchar_t* command : {L"list", L"plug", L"frames 0", L"view"}) {
        ToolRun run = RunSim(command);
        EXPECT_NE(run.exitCode, 0u) << command;
        EXPECT_NE(run.err.find("TOVRIN_DISPLAY_SIM is not set"), std::string::npos) << run.err;
    }
}

TEST_F(SimHid, ToolRejectsBadArguments)
{
    for (const wchar_t* args : {L"", L"dance", L"plug --vid 0x10000", L"plug --vid", L"plug --vid 0x12 --vid 0x13",
                                L"plug --no-reply --bad-first-reply", L"plug --usage-page x", L"plug --interface 256",
                                L"plug --log-limit 0", L"plug --colour red", L"unplug", L"unplug x", L"unplug 1 2",
                                L"frames", L"frames -1", L"list 3", L"view now"}) {
        ToolRun run = RunSim(args);
        EXPECT_EQ(run.exitCode, 2u) << "'" << testing::PrintToString(std::wstring(args)) << "'";
        EXPECT_NE(run.err.find("usage: displaysim"), std::string::npos) << run.err;
    }
    // Nothing was plugged on the way.
    EXPECT_TRUE(RunSim(L"list").out.empty());
    // Leading zeros do not make a number octal.
    ASSERT_EQ(Plug(L"--firmware 0105"), 0);
    EXPECT_NE(RunSim(L"list").out.find("firmware=0x0069"), std::string::npos);
    ToolRun help = RunSim(L"--help");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_NE(help.out.find("frames N"), std::string::npos);
}

TEST_F(SimHid, ConcurrentPlugsAndSendsLoseNothing)
{
    ASSERT_EQ(Plug(), 0);
    Device device(PathOf(0));
    ASSERT_NE(device.get(), nullptr);

    // Tools plugging from other processes, threads plugging through stores of their own and
    // threads sending frames, all at once on one state folder.
    std::vector<ChildProcess> tools;
    for (int i = 0; i < 4; ++i) tools.push_back(StartProcess(DisplaySimExe(), L"plug"));
    std::atomic<int> failedSends{0}, failedPlugs{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 40; ++i) {
                Bytes frame = TemperatureFrame(0, 0, 0);
                frame[6] = static_cast<unsigned char>(t);
                frame[7] = static_cast<unsigned char>(i);
                if (device.Send(frame) != 65) ++failedSends;
            }
        });
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&] {
            sim::SimStore store(state.Path());
            for (int i = 0; i < 10; ++i) {
                sim::SimInterface info;
                if (!store.Plug(info)) ++failedPlugs;
            }
        });
    for (std::thread& thread : threads) thread.join();
    for (ChildProcess& tool : tools) EXPECT_EQ(tool.WaitExit(30000), 0u);
    EXPECT_EQ(failedSends, 0);
    EXPECT_EQ(failedPlugs, 0);

    // Every plug got an index of its own and none was lost.
    std::vector<std::string> listed = Lines(RunSim(L"list").out);
    std::set<int> indices;
    for (const std::string& line : listed) indices.insert(std::stoi(line));
    EXPECT_EQ(listed.size(), 1u + 4 + 30);
    EXPECT_EQ(indices.size(), listed.size());
    EXPECT_EQ(*indices.rbegin(), 34);
    // Every frame arrived whole, each thread's in its own order.
    std::vector<LoggedFrame> frames = Frames(0);
    ASSERT_EQ(frames.size(), 80u);
    int next[2] = {0, 0};
    for (const LoggedFrame& frame : frames) {
        ASSERT_EQ(frame.hex.size(), 130u);
        int thread = std::stoi(frame.hex.substr(12, 2), nullptr, 16);
        ASSERT_TRUE(thread == 0 || thread == 1) << frame.hex;
        EXPECT_EQ(std::stoi(frame.hex.substr(14, 2), nullptr, 16), next[thread]++);
    }
}

TEST_F(SimHid, HostCallsLeaveNoHandlesBehind)
{
    ASSERT_EQ(Plug(), 0);
    ASSERT_EQ(Plug(L"--bad-first-reply"), 1);
    // What a host does over and over: rescan, send frames, query the version.
    auto cycle = [] {
        hid_device_info* list = Hid().hid_enumerate(0, 0);
        for (hid_device_info* info = list; info; info = info->next) {
            Device device(info->path);
            wchar_t product[512];
            Hid().hid_get_product_string(device.get(), product, 512);
            for (int i = 0; i < 5; ++i) device.Send(TemperatureFrame(0, 4, 2));
            Bytes reply;
            device.Send(VersionQuery());
            device.Read(reply);
            device.Read(reply);
        }
        Hid().hid_free_enumeration(list);
        Hid().hid_enumerate(0x9999, 0); // an empty one
    };
    cycle(); // warm-up: first-use allocations of the runtime
    int before = CountKernelHandles(GetCurrentProcessId());
    ASSERT_GT(before, 0);
    for (int i = 0; i < 50; ++i) cycle();
    EXPECT_EQ(CountKernelHandles(GetCurrentProcessId()), before);
    EXPECT_EQ(Frames(0).size(), 51u * 6);
}
