// korv-tool decode: a picture through the image layer into a binary PPM.

#include <fstream>

#include "media/image/image_error.h"
#include "media/image/image_layer.h"
#include "media/image/rgb24_row.h"
#include "platform/message_box.h"
#include "tools/commands.h"
#include "tools/tool_arguments.h"

namespace korv::tool {

int RunDecode(const std::vector<std::string>& arguments, std::ostream& out) {
    ToolArguments args(arguments, {"-o"}, {});
    if (args.Positional().size() != 1) throw UsageError("usage: korv-tool decode IMAGE -o OUT.ppm");
    const std::string& imagePath = args.Positional()[0];
    std::string outputPath = args.Required("-o");

    std::string message;
    platform::SetMessageBoxSink([&](const platform::MessageBoxRequest& request) { message = request.text; });
    std::optional<platform::Surface> pixels = LoadPixels(imagePath, {});
    platform::SetMessageBoxSink([](const platform::MessageBoxRequest&) {});
    if (!pixels) {
        if (!message.empty()) throw ToolError(imagePath + ": " + message);
        int code = GetImageError();
        throw ToolError(imagePath + ": " + (code ? ImageErrorText(code) : "no picture"));
    }

    std::ofstream ppm(outputPath, std::ios::binary | std::ios::trunc);
    ppm << "P6\n" << pixels->Width() << " " << pixels->Height() << "\n255\n";
    std::vector<uint8_t> row(static_cast<size_t>(pixels->Width()) * 3);
    for (int y = 0; y < pixels->Height(); ++y) {
        ReadRgb24Row(*pixels, y, row.data());
        ppm.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size()));
    }
    ppm.close();
    if (!ppm) throw ToolError("cannot write " + outputPath);
    return 0;
}

}  // namespace korv::tool
