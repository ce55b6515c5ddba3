// The platform services the main window works through. A null entry is replaced by the real service.
#pragma once

class CFileChooser;
class CMediaPlayer;
class CMessageDialog;
class CTrackMapChooser;
class CWebOpener;

// Not owned by the window; whoever fills an entry keeps it alive as long as the window.
struct CShellServices {
    CMessageDialog* Dialog = nullptr;
    CFileChooser* Files = nullptr;
    CMediaPlayer* Player = nullptr;
    CWebOpener* Web = nullptr;
    CTrackMapChooser* TrackMaps = nullptr;
};
