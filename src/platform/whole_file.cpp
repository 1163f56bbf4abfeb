#include "platform/whole_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace nubexa {

bool writeFileWhole(const std::string& path, const std::string& temporary, std::string_view bytes) {
    std::error_code error;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace nubexa
