// Feeds arbitrary pages, as a web site could send them, to the readers of
// the update: the script cut out of a page, its statements and the objects
// they name, a text container and the update configuration. Every object
// name must stay a name (no reader may turn it into a path by itself), and
// the configuration's numbers must come from the page.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "update/script_container.h"
#include "update/text_container.h"
#include "update/update_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);

    korv::ScriptContainer script;
    script.SetScriptText(page);
    script.SplitStatements();
    script.CollectObjects();
    if (script.TextCount() > static_cast<int>(script.Objects().size())) std::abort();
    for (const korv::ScriptObject& object : script.Objects())
        if (object.name.size() > page.size() || object.url.size() > page.size()) std::abort();

    korv::TextContainer texts;
    if (texts.Parse(page) != (texts.ItemCount() > 0)) std::abort();
    texts.GetTextItem("greeting");

    korv::UpdateConfigValues values;
    korv::ParseUpdateConfig(page, values);
    korv::ConfigFileName(page);
    return 0;
}
