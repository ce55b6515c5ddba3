// Starts the desktop's web browser.
#include "app/CWebOpener.h"

#include <QDesktopServices>
#include <QUrl>

bool CDesktopWebOpener::LaunchBrowser(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    return url.isValid() && QDesktopServices::openUrl(url);
}
