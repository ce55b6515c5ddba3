// Where the shell's commands send what they tell the user: the window's message dialog, the tool's stderr.
#pragma once

#include <string>

// One message: a caption (the command's name) and a text, both the user's own words.
struct CShellMessage {
    std::string Caption;
    std::string Text;
    // The file the message is about, quoted as the texts quote file names ("'v1cv1.mid'"), for a front
    // end that reports many files at once; empty when the text names what it is about. The window does
    // not show it.
    std::string Subject;
};

class CMessageSink {
public:
    virtual ~CMessageSink() = default;
    // Shows `message` and returns once the user has seen it.
    virtual void Message(const CShellMessage& message) = 0;
    // A long command has finished `done` of its `total` steps of `what` ("importing"); shows nothing
    // unless the front end has a place for it.
    virtual void Progress(const std::string& /*what*/, int /*done*/, int /*total*/) {}
};
