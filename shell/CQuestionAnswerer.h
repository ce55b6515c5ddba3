// Who answers the shell's questions: the window with its message dialog, the tool with its options.
#pragma once

#include <string>

// The questions the commands ask.
enum class CQuestionId {
    ImportMode,      // replace the style by the files, or merge them into it
    Duplicate,       // a file for a chord variation that already holds data
    TrackParameters, // the element's track parameters or the file's, for one file
};

// A question as the window's dialog shows it: caption, text and three buttons.
struct CQuestion {
    CQuestionId Id;
    std::string Caption;
    std::string Text;
    std::string Left;
    std::string Middle;
    std::string Right;
};

// The button that answered; each question says what its buttons mean.
enum class CAnswer { Left, Middle, Right };

class CQuestionAnswerer {
public:
    virtual ~CQuestionAnswerer() = default;
    // Answers `question`, once the user has (or the options have) decided.
    virtual CAnswer Ask(const CQuestion& question) = 0;
};
