#pragma once
// What the program asks of the system's shell: its folders, the programs it starts, the sounds
// it plays and whether the codec library answers. Texts and paths are UTF-8.

#include <string>

namespace tessarin {

// ImgctlVersion's answer, or why the library could not be asked.
struct CodecVersion {
    bool ok = false;
    int version = 0;
    unsigned long errorNumber = 0;  // the system's number: 126 library not found, 127 call missing
    std::string description;        // the system's text for it
};

class Shell {
public:
    virtual ~Shell() = default;
    // The Windows folder (its media folder holds the standard sounds) and the user's desktop.
    [[nodiscard]] virtual std::string windowsFolder() const = 0;
    [[nodiscard]] virtual std::string desktopFolder() const = 0;
    [[nodiscard]] virtual bool changeCurrentFolder(const std::string& path) = 0;
    // Explorer on a folder (a relative one inside the program folder).
    virtual void openFolder(const std::string& folder) = 0;
    // The program the shell associates with the file opens it.
    virtual void openDocument(const std::string& path) = 0;
    // A wave file; synchronous calls return when it has played.
    virtual void playSound(const std::string& path, bool async) = 0;
    // Loads imgctl.dll from the program folder and asks its version.
    [[nodiscard]] virtual CodecVersion imgctlVersion() = 0;
    // Ends the process at once, without waiting for any thread (one left behind still uses what
    // it was given).
    virtual void endProcess() = 0;
};

}  // namespace tessarin
