// The parts of the session that hold the extended program list.
#include "app/shell/CExtProgList.h"
#include "cli/CCliSession.h"

#include <filesystem>

CCliSession::CCliSession(std::ostream& output, std::ostream& errors)
    : out(output), err(errors), programs(std::make_unique<CExtProgList>())
{
}

CCliSession::~CCliSession()
{
    EndProgress();
}

bool CCliSession::LoadExtProgList(const std::optional<std::string>& file)
{
    const auto message = [this](const std::string& caption, const std::string& text) {
        Message(caption, text);
    };
    if (file)
        return programs->ReadFile(*file, message) == CExtProgList::ReadResult::Read;
    // The window reads the list from the folder it starts in; a tool run without one works without
    // extended programs and says nothing.
    std::error_code error;
    if (std::filesystem::exists(CExtProgList::FileName, error))
        programs->ReadFile(CExtProgList::FileName, message);
    return true;
}
