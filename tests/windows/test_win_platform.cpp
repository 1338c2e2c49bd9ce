// The Windows side of the platform seam: which names are serial ports, how
// open failures read (as on Linux), and the code page conversions.
#include "link/platform.h"
#include "link/port_enum.h"
#include "link/port_path.h"
#include "link/serialport.h"
#include "link/text_conv.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <string>

namespace {

std::string TempPath(const std::string& name) {
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

}  // namespace

TEST(PortPath, ComNamesInEitherFormAreTheDevice) {
    struct Case {
        const char* name;
        const char* device;
    };
    const Case cases[] = {
        {"COM3", "\\\\.\\COM3"},
        {"com3", "\\\\.\\COM3"},
        {"\\\\.\\COM3", "\\\\.\\COM3"},
        {"\\\\.\\com12", "\\\\.\\COM12"},
        {"\\\\?\\COM200", "\\\\.\\COM200"},
    };
    for (const Case& c : cases) {
        const PortPathCheck checked = CheckPortPath(c.name);
        EXPECT_FALSE(checked.error) << c.name << ": " << checked.error.message();
        EXPECT_EQ(checked.device, c.device) << c.name;
    }
}

TEST(PortPath, WhatIsNotASerialPortIsRefusedAsOnLinux) {
    const std::string file = TempPath("kestov-not-a-port.txt");
    std::ofstream(file) << "text";
    const std::string folder = TempPath("kestov-not-a-port-folder");
    ::CreateDirectoryA(folder.c_str(), nullptr);
    struct Case {
        std::string name;
        std::string message;
    };
    const Case cases[] = {
        {file, "Not a device"},
        {folder, "Not a device"},
        {"\\\\.\\PhysicalDrive0", "Not a device"},
        {"NUL", "Not a serial port"},
        {"con", "Not a serial port"},
        {"\\\\.\\CONOUT$", "Not a serial port"},
        {"LPT1", "Not a serial port"},
        {"COM0", "No such file or directory"},
        {"C:\\no\\such\\port", "No such file or directory"},
        {"", "No such file or directory"},
    };
    for (const Case& c : cases) {
        const PortPathCheck checked = CheckPortPath(c.name);
        EXPECT_EQ(checked.error.message(), c.message) << c.name;
    }
    ::DeleteFileA(file.c_str());
    ::RemoveDirectoryA(folder.c_str());
}

TEST(PortPath, EveryListedPortPassesTheCheck) {
    for (const SerialPortEntry& port : ListSerialPorts()) {
        const PortPathCheck checked = CheckPortPath(port.path);
        EXPECT_FALSE(checked.error) << port.path;
        EXPECT_EQ(checked.device, "\\\\.\\" + port.path);
    }
}

TEST(SerialOpen, FailuresReadAsOnLinux) {
    struct Case {
        DWORD error;
        const char* message;
    };
    const Case cases[] = {
        {ERROR_ACCESS_DENIED, "in use by another program"},
        {ERROR_SHARING_VIOLATION, "in use by another program"},
        {ERROR_FILE_NOT_FOUND, "No such file or directory"},
        {ERROR_PATH_NOT_FOUND, "No such file or directory"},
    };
    for (const Case& c : cases) {
        const std::error_code ec = platform::OpenError({static_cast<int>(c.error), std::system_category()});
        EXPECT_EQ(ec.message(), c.message) << c.error;
    }
    // In use is the "busy" condition that the probe and the callers look for.
    EXPECT_EQ(platform::OpenError({ERROR_ACCESS_DENIED, std::system_category()}), std::errc::device_or_resource_busy);
    const std::error_code other{ERROR_GEN_FAILURE, std::system_category()};
    EXPECT_EQ(platform::OpenError(other), other);
}

TEST(SerialOpen, AMissingPortOrAFileIsNeverOpened) {
    const std::string file = TempPath("kestov-open-file.txt");
    std::ofstream(file) << "text";
    IoServiceExec exec;
    for (const auto& [name, message] :
         {std::pair<std::string, std::string>{file, "Not a device"}, {"COM251", "No such file or directory"}}) {
        auto port = std::make_shared<CSerialportMP>(exec.Context());
        std::error_code ec;
        port->Open(ec, name, 115200, 0, 0);
        EXPECT_EQ(ec.message(), message) << name;
        EXPECT_FALSE(port->IsOpen());
    }
    ::DeleteFileA(file.c_str());
}

TEST(CodePages, NamedSetsAndTheSystemCodePage) {
    // "CPnnn" and "WINDOWS-nnn" name code pages; 949 holds Korean.
    EXPECT_EQ(NarrowToWide("\xC7\xD1", "CP949"), u"\uD55C");
    EXPECT_EQ(WideToNarrow(u"caf\u00E9", "WINDOWS-1252"), "caf\xE9");
    EXPECT_EQ(WideToNarrow(u"\uD55C", "windows-1252"), "?");
    // ANSI is the system code page, whatever the C locale says.
    const std::string acp = "CP" + std::to_string(::GetACP());
    const std::string text = "COM3 caf\xE9";
    std::u16string wide;
    AnsiToWide(text, wide);
    EXPECT_EQ(wide, ::GetACP() == CP_UTF8 ? Utf8ToWide(text) : NarrowToWide(text, acp.c_str()));
    EXPECT_EQ(WideToAnsi(u"COM3"), "COM3");
}

TEST(TerminalColumns, WideZeroAndNarrow) {
    struct Case {
        char32_t cp;
        int columns;
    };
    const Case cases[] = {{U'A', 1},      {U'\u00E9', 1}, {U'\uD55C', 2}, {U'\u1100', 2},    {U'\u4E2D', 2},
                          {U'\u0301', 0}, {U'\u200B', 0}, {U'\uFF21', 2}, {U'\U0001F600', 2}};
    for (const Case& c : cases) {
        EXPECT_EQ(TerminalColumns(c.cp), c.columns) << std::hex << static_cast<unsigned>(c.cp);
    }
}

extern "C" void* __stack_chk_guard;

// A program's start loads nothing but what it imports: seeding the stack
// guard through the legacy crypto provider would bring in crypt32, and with
// it the window system, before main.
TEST(StartUp, LoadsNoCryptoProviderNorWindowSystem) {
    for (const wchar_t* dll : {L"crypt32.dll", L"rsaenh.dll", L"user32.dll", L"gdi32.dll"}) {
        EXPECT_EQ(::GetModuleHandleW(dll), nullptr) << std::string(dll, dll + std::wcslen(dll));
    }
    // Seeded all the same, with a zero byte first as on Linux.
    const auto guard = reinterpret_cast<std::uintptr_t>(__stack_chk_guard);
    EXPECT_NE(guard, 0u);
    EXPECT_EQ(guard & 0xFF, 0u);
}

// Where the driver cannot say what it holds, a read asks for the whole
// buffer, never for nothing.
TEST(SerialRead, SizeIsTheBufferWhenTheDriverCannotSay) {
    const std::string file = TempPath("kestov-read-size.txt");
    std::ofstream(file) << "text";
    HANDLE h = ::CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    for (const std::size_t capacity : {std::size_t{1}, std::size_t{64}, CSerialportMP::kChunk}) {
        EXPECT_EQ(platform::ReadSize(h, capacity), capacity);
    }
    ::CloseHandle(h);
    ::DeleteFileA(file.c_str());
}
