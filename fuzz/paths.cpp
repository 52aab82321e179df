// The path rules of both platforms, Windows with and without the lead bytes of code page 932.
#include <cstdint>
#include <string>

#include "support.h"
#include "text/paths.h"

using keeper::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const bool windows = provider.ConsumeBool();
    const keeper::PathStyle& style = windows ? keeper::WindowsPaths : keeper::PosixPaths;
    const keeper::LeadByteSet lead =
        windows ? keeper::fuzz::PickLeadBytes(provider) : keeper::LeadByteSet{};
    const std::string extension = provider.ConsumeRandomLengthString(8);
    const std::string path = provider.ConsumeRemainingBytesAsString();

    // The directory part and the file-name part join back into the path.
    const std::string directory = keeper::DirectoryPart(path, style, lead);
    Require(directory + keeper::FileNamePart(path, style, lead) == path);
    // A new extension never touches the directory, and ends the result.
    const std::string replaced = keeper::ReplaceExtension(path, extension, style, lead);
    Require(replaced.compare(0, directory.size(), directory) == 0);
    Require(replaced.size() >= extension.size() &&
            replaced.compare(replaced.size() - extension.size(), extension.size(), extension) == 0);
    // The trailing delimiter is the text itself or the text and one separator.
    const std::string trailing = keeper::WithTrailingDelimiter(path, style, lead);
    Require(trailing == path || trailing == path + style.Separator);
    Require(!trailing.empty() && trailing.back() == style.Separator);
    return 0;
}
