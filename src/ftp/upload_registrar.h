#pragma once

#include <cstdint>
#include <string>

namespace nubexa {

// Registers an uploaded file with the web service once its bytes are on the file server.
// The transfer layer implements it over FileAdd with the signed-in account. Called on the
// transfer thread that runs the upload; an implementation may block for its network time limits.
class UploadRegistrar {
public:
    virtual ~UploadRegistrar() = default;

    // name and ext as SplitNameExt gives them (ext with its dot), size in bytes, dirid the disk
    // folder, hash the MD5 of the file as 32 upper-case hex characters. Returns the new file's
    // id, or empty text when the service did not register it.
    virtual std::string registerUpload(const std::string& name, const std::string& ext,
                                       std::int64_t size, const std::string& dirid,
                                       const std::string& hash) = 0;
    // After registerUpload returned no id: the service's reason when registering again could
    // not change the answer (name refused, no capacity, folder gone); empty when a retry may
    // pass (no answer, service busy).
    virtual std::string refusal() const { return {}; }
};

}  // namespace nubexa
