// The account file loader on arbitrary bytes: whatever loads must give its values, survive the
// settings reads, and come back unchanged through the class's own save text.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "service/AccountFile.h"
#include "service/PasswordMix.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace nimbrel;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    AccountFile file;
    if (!file.LoadBytes(bytes)) return 0;

    AppRecord record;
    file.ReadSettings(record);
    const auto stored = file.UserAttribute("Password");
    if (stored) PasswordUnmix(*stored);

    // What this class saves, it loads again with the same values.
    const char* names[] = {"VideoPath", "ImagePath", "FileLength", "AutoLogin", "Update"};
    file.SetSetting("AutoLogin", "1");
    file.SetUserAttribute("ID", "fuzz_user");
    AccountFile again;
    if (!again.LoadBytes(file.Document().ToText())) std::abort();
    for (const char* name : names)
        if (again.Setting(name) != file.Setting(name)) std::abort();
    if (again.UserAttribute("ID") != "fuzz_user" || again.UserAttribute("Password") != stored)
        std::abort();
    return 0;
}
