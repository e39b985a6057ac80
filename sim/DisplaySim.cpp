// displaysim: plugs, unplugs and inspects the simulated displays that the stand-in
// hidapi.dll serves, in the state folder named by TOVRIN_DISPLAY_SIM.
#include <windows.h>
#include <dbt.h>
#include <fcntl.h>
#include <io.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "DeviceNotify.h"
#include "SimStore.h"
#include "SimView.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char kUsage[] = "usage: displaysim COMMAND\n"
                      "  plug [--vid N] [--pid N] [--usage-page N] [--usage N] [--interface N] [--firmware N]\n"
                      "       [--no-reply | --bad-first-reply] [--log-limit BYTES]\n"
                      "                 adds a HID interface (defaults: 0x1A2C 0x4284 0xFF01 1 0 0x0105) and\n"
                      "                 prints its index; --no-reply: version queries go unanswered;\n"
                      "                 --bad-first-reply: the first read after each query answers 00 DE AD\n"
                      "  unplug N       removes interface N\n"
                      "  list           prints the plugged interfaces\n"
                      "  frames N       prints the feature reports interface N received: ms since plug, hex\n"
                      "  reads N        prints its answers to reads: ms since plug, result, hex\n"
                      "  arrivals       prints the index that got each feature report, across all\n"
                      "                 interfaces, in arrival order\n"
                      "  view           shows what each display shows, until the window is closed\n"
                      "Numbers are decimal or 0x hexadecimal. TOVRIN_DISPLAY_SIM names the state folder.\n";

std::string Utf8(std::wstring_view text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "displaysim: %s\n", message.c_str());
    return kExitFailure;
}

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "displaysim: %s\n%s", message.c_str(), kUsage);
    return kExitUsage;
}

std::optional<std::uint32_t> Number(const wchar_t* text, std::uint32_t max)
{
    return sim::ParseNumber(Utf8(text), max);
}

// Plug options: each takes a number of at most its maximum, or sets the reply mode.
int ParsePlug(const std::vector<std::wstring>& args, sim::SimInterface& info)
{
    struct NumberOption {
        const wchar_t* name;
        std::uint32_t max;
        std::uint32_t value;
        bool given;
    } options[] = {
        {L"--vid", 0xFFFF, info.vendorId, false},
        {L"--pid", 0xFFFF, info.productId, false},
        {L"--usage-page", 0xFFFF, info.usagePage, false},
        {L"--usage", 0xFFFF, info.usage, false},
        {L"--interface", 0xFF, info.interfaceNumber, false},
        {L"--firmware", 0xFFFF, info.firmware, false},
        {L"--log-limit", 0xFFFFFFFF, 0, false},
    };
    bool replyGiven = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg == L"--no-reply" || arg == L"--bad-first-reply") {
            if (replyGiven) return UsageError("--no-reply and --bad-first-reply exclude each other");
            replyGiven = true;
            info.reply = arg == L"--no-reply" ? sim::ReplyMode::None : sim::ReplyMode::BadFirst;
            continue;
        }
        NumberOption* option = nullptr;
        for (NumberOption& candidate : options)
            if (arg == candidate.name) option = &candidate;
        if (!option) return UsageError("unknown plug option '" + Utf8(arg) + "'");
        if (option->given) return UsageError(Utf8(arg) + " given twice");
        std::optional<std::uint32_t> value;
        if (i + 1 < args.size()) value = Number(args[i + 1].c_str(), option->max);
        if (!value) return UsageError(Utf8(arg) + " needs a number from 0 to " + std::to_string(option->max));
        option->value = *value;
        option->given = true;
        ++i;
    }
    info.vendorId = std::uint16_t(options[0].value);
    info.productId = std::uint16_t(options[1].value);
    info.usagePage = std::uint16_t(options[2].value);
    info.usage = std::uint16_t(options[3].value);
    info.interfaceNumber = std::uint8_t(options[4].value);
    info.firmware = std::uint16_t(options[5].value);
    if (options[6].given) {
        if (!options[6].value) return UsageError("--log-limit must be at least 1");
        info.frameLogBytes = options[6].value;
    }
    return 0;
}

std::wstring WidePath(const sim::SimInterface& info)
{
    std::string path = sim::InterfacePath(info);
    return std::wstring(path.begin(), path.end());
}

int Plug(sim::SimStore& store, const std::vector<std::wstring>& args)
{
    sim::SimInterface info;
    if (int error = ParsePlug(args, info)) return error;
    wchar_t full[MAX_PATH * 4];
    DWORD length = GetFullPathNameW(store.Folder().c_str(), MAX_PATH * 4, full, nullptr);
    if (!length || length >= MAX_PATH * 4) return Fail("cannot use the state folder '" + Utf8(store.Folder()) + "'");
    int created = SHCreateDirectoryExW(nullptr, full, nullptr);
    if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS && created != ERROR_FILE_EXISTS)
        return Fail("cannot create the state folder '" + Utf8(full) + "'");
    if (!store.Plug(info)) return Fail(Utf8(store.LastError()));
    std::printf("%u\n", info.index);
    std::fflush(stdout);
    sim::NotifyPanels(DBT_DEVICEARRIVAL, WidePath(info));
    return 0;
}

std::optional<std::uint32_t> IndexArgument(const std::vector<std::wstring>& args)
{
    if (args.size() != 2) return std::nullopt;
    return Number(args[1].c_str(), 0xFFFFFFFE);
}

int Unplug(sim::SimStore& store, const std::vector<std::wstring>& args)
{
    std::optional<std::uint32_t> index = IndexArgument(args);
    if (!index) return UsageError("unplug takes one interface index");
    sim::SimInterface gone;
    int result = store.Unplug(*index, &gone);
    if (result == 0) return Fail("no plugged interface " + std::to_string(*index));
    if (result < 0) return Fail(Utf8(store.LastError()));
    sim::NotifyPanels(DBT_DEVICEREMOVECOMPLETE, WidePath(gone));
    return 0;
}

int List(sim::SimStore& store)
{
    std::vector<sim::SimInterface> interfaces;
    if (!store.Interfaces(interfaces)) return Fail(Utf8(store.LastError()));
    for (const sim::SimInterface& info : interfaces) {
        if (!info.plugged) continue;
        std::printf("%u vid=0x%04x pid=0x%04x usage-page=0x%04x usage=0x%04x interface=%u firmware=0x%04x "
                    "reply=%s path=%s\n",
                    info.index, info.vendorId, info.productId, info.usagePage, info.usage, info.interfaceNumber,
                    info.firmware, sim::ReplyModeName(info.reply), sim::InterfacePath(info).c_str());
    }
    return 0;
}

int PrintLog(sim::SimStore& store, const std::vector<std::wstring>& args, bool frames)
{
    std::optional<std::uint32_t> index = IndexArgument(args);
    if (!index) return UsageError(Utf8(args[0]) + " takes one interface index");
    std::string text;
    if (!(frames ? store.Frames(*index, text) : store.Reads(*index, text)))
        return Fail(Utf8(store.LastError()) + " (" + std::to_string(*index) + ")");
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // Lines end in "\n" alone, whoever reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == L"--help" || args[0] == L"-h" || args[0] == L"help") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? kExitUsage : 0;
    }
    std::wstring folder = sim::StateFolderFromEnvironment();
    if (folder.empty())
        return Fail("TOVRIN_DISPLAY_SIM is not set; set it to the folder that holds the simulated displays' "
                    "state (a Windows path, for example Z:\\tmp\\displays)");
    sim::SimStore store(folder);
    const std::wstring& command = args[0];
    if (command == L"plug") return Plug(store, args);
    if (command == L"unplug") return Unplug(store, args);
    if (command == L"list") return args.size() == 1 ? List(store) : UsageError("list takes no arguments");
    if (command == L"frames" || command == L"reads") return PrintLog(store, args, command == L"frames");
    if (command == L"arrivals") {
        if (args.size() != 1) return UsageError("arrivals takes no arguments");
        std::string text;
        if (!store.Arrivals(text)) return Fail(Utf8(store.LastError()));
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    if (command == L"view") return args.size() == 1 ? sim::RunView(folder) : UsageError("view takes no arguments");
    return UsageError("unknown command '" + Utf8(command) + "'");
}
