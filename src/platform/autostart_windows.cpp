#include <windows.h>

#include "platform/autostart.h"

namespace nubexa {

namespace {

constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kValueName = L"NubiRun";

std::wstring wide(const std::string& text) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                        length);
    return result;
}

// The Run key of the current user: writing the machine's key needs rights a user rarely has.
class RunKeyAutostart : public Autostart {
public:
    bool enable(const std::string& program, std::string& error) override {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
            error = "cannot open the Run key";
            return false;
        }
        const std::wstring path = wide(program);
        const auto bytes = static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t));
        const LONG written = RegSetValueExW(key, kValueName, 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(path.c_str()), bytes);
        RegCloseKey(key);
        if (written != ERROR_SUCCESS) {
            error = "cannot write the Run key value";
            return false;
        }
        return true;
    }

    bool disable(std::string& error) override {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            return true;
        const LONG removed = RegDeleteValueW(key, kValueName);
        RegCloseKey(key);
        if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND) {
            error = "cannot remove the Run key value";
            return false;
        }
        return true;
    }

    bool enabled() const override {
        return RegGetValueW(HKEY_CURRENT_USER, kRunKey, kValueName, RRF_RT_REG_SZ, nullptr, nullptr,
                            nullptr) == ERROR_SUCCESS;
    }
};

}  // namespace

std::unique_ptr<Autostart> makeSessionAutostart() {
    return std::make_unique<RunKeyAutostart>();
}

}  // namespace nubexa
