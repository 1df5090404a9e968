#include "tests/support/saver_fixture.h"

#include <stdexcept>

#include "saver/program_file.h"
#include "tests/support/test_environment.h"

namespace korv::test {

std::filesystem::path WriteSaver(const std::filesystem::path& path, const PayloadRecord& record,
                                 const std::optional<std::string>& scenario, bool settingsDisabled,
                                 const std::string& engineBytes) {
    auto engine = path.string() + ".engine";
    WriteFileBytes(engine, engineBytes);
    std::optional<std::string> scenarioPath;
    if (scenario) {
        scenarioPath = path.string() + ".scenario";
        WriteFileBytes(*scenarioPath, *scenario);
    }
    SaverBuildRequest request{engine, scenarioPath, record, settingsDisabled, path.string()};
    std::string failure = BuildSaver(request);
    if (!failure.empty()) throw std::runtime_error(failure);
    std::filesystem::remove(engine);
    if (scenarioPath) std::filesystem::remove(*scenarioPath);
    return path;
}

std::string SaverBytes(const PayloadRecord& record, const std::optional<std::string>& scenario,
                       bool settingsDisabled) {
    TempDir dir;
    return ReadFileBytes(WriteSaver(dir / "saver", record, scenario, settingsDisabled));
}

}  // namespace korv::test
