#include "tools/saver_payload.h"

#include "platform/exception.h"
#include "platform/file.h"
#include "tools/commands.h"

namespace korv::tool {

PayloadRecord ReadSaverPayload(const std::string& saverPath) {
    platform::File file;
    if (!file.Open(saverPath, platform::File::Mode::Read)) throw ToolError("cannot open " + saverPath);
    try {
        uint8_t settingsDisabled = 0;
        uint64_t offset = 0;
        return ReadPayloadRecord(file, settingsDisabled, offset);
    } catch (const Exception& error) {
        throw ToolError(saverPath + " is not a built saver: " + error.what());
    }
}

}  // namespace korv::tool
