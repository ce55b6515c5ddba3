// How the window starts the web browser, so that tests can make it fail.
#pragma once

class QString;

class CWebOpener {
public:
    virtual ~CWebOpener() = default;
    // Starts the web browser with `address`; true when it was started.
    virtual bool LaunchBrowser(const QString& address) = 0;
};

// The desktop's own way of opening a web address (QDesktopServices).
class CDesktopWebOpener final : public CWebOpener {
public:
    bool LaunchBrowser(const QString& address) override;
};
