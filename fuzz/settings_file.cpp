// Reads any bytes as a settings file: reading every option never crashes, a rewrite keeps
// every line it did not change, and a value written into the file reads back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/AppSettings.h"
#include "settings/RegistryFile.h"
#include "settings/RegistrySettings.h"
#include "settings/SettingsStore.h"

using namespace velmorak;

namespace {

// The file itself as the settings key, read and written in memory.
class FileStore : public SettingsStore {
public:
    explicit FileStore(RegistryFile& file)
        : m_file(&file)
    {
    }
    std::optional<RegistryValue> readValue(std::string_view name) override
    {
        return m_file->value(name);
    }
    bool writeValue(std::string_view name, const RegistryValue& value) override
    {
        return m_file->setValue(name, value);
    }

private:
    RegistryFile* m_file;
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    RegistryFile file;
    file.parse(text);
    std::string once = file.text();

    FileStore store(file);
    RegistrySettings settings(store);
    AppSettings options;
    options.load(settings);
    int numbers[16];
    settings.readIntList("IntList", numbers);
    bool flags[16];
    settings.readBoolList("BoolList", flags);
    std::string strings[4];
    settings.readStringList("StringList", strings);

    // Reading the text back gives the same text.
    RegistryFile again;
    again.parse(once);
    check(again.text() == once);

    // A written value reads back after the file is parsed again.
    std::string name = text.substr(0, std::min<std::size_t>(size, 12));
    RegistryValue blob = RegistryValue::binary(data, std::min<std::size_t>(size, 200));
    check(again.setValue("IDC_CBSOUND", RegistryValue::dword(0x12345678)));
    if (again.setValue(name, blob)) {
        RegistryFile reread;
        reread.parse(again.text());
        check(reread.value(name) == blob);
    }
    return 0;
}
