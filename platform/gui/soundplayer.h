#pragma once
// The alert-sound player: plays a named sound file, tells whether it is playing, stops.
// Failures are reported as "Can not play reminder sound: " + the reason.

#include <functional>
#include <memory>
#include <string>

class ISoundPlayer {
public:
    virtual ~ISoundPlayer() = default;
    // Starts playing fileName from its beginning (a sound already playing stops first).
    // Raises Exception "Can not play reminder sound: ..." when playing cannot start, at once
    // for a file that is missing or no regular file (a folder, named pipe or device).
    virtual void Play(const std::string& fileName) = 0;
    // True from a successful Play until the sound ends, fails or is stopped.
    virtual bool Playing() const = 0;
    virtual void Stop() = 0;
    // The file of the last Play (empty before the first).
    virtual std::string FileName() const = 0;

    // Called on the GUI thread when a sound fails after Play returned, with the full message;
    // once at most for each Play. Unassigned: the message goes to the application's error box.
    std::function<void(const std::string& message)> OnError;
};

// Plays through Qt Multimedia (QMediaPlayer with a QAudioOutput on the default device).
class TQtSoundPlayer : public ISoundPlayer {
public:
    TQtSoundPlayer();
    ~TQtSoundPlayer() override;
    void Play(const std::string& fileName) override;
    bool Playing() const override;
    void Stop() override;
    std::string FileName() const override { return fileName_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string fileName_;
};

// The message of a failed sound.
std::string SoundErrorMessage(const std::string& detail);
