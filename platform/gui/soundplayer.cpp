#include "platform/gui/soundplayer.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>
#include <utility>

#include "platform/fileutils.h"
#include "platform/gui/messageboxes.h"
#include "platform/sysutils.h"

std::string SoundErrorMessage(const std::string& detail) {
    return "Can not play reminder sound: " + detail;
}

struct TQtSoundPlayer::Impl {
    QMediaPlayer player;
    QAudioOutput output;
    bool failed = false;
    bool starting = false; // inside Play: failures are raised there, not reported
};

TQtSoundPlayer::TQtSoundPlayer() : impl_(std::make_unique<Impl>()) {
    impl_->player.setAudioOutput(&impl_->output);
    QObject::connect(&impl_->player, &QMediaPlayer::errorOccurred,
                     [this](QMediaPlayer::Error, const QString& text) {
                         // One failing file may raise several errors: the first tells.
                         const bool reported = std::exchange(impl_->failed, true);
                         if (impl_->starting || reported)
                             return;
                         std::string message = SoundErrorMessage(text.toStdString());
                         if (OnError)
                             OnError(message);
                         else
                             ShowException(message);
                     });
}

TQtSoundPlayer::~TQtSoundPlayer() {
    QObject::disconnect(&impl_->player, nullptr, nullptr, nullptr);
    impl_->player.stop();
}

void TQtSoundPlayer::Play(const std::string& fileName) {
    fileName_ = fileName;
    QMediaPlayer& player = impl_->player;
    player.stop();
    if (const std::string reason = NotRegularFileReason(fileName); !reason.empty())
        throw Exception(
            SoundErrorMessage("the file \"" + fileName + "\" cannot be opened. " + reason));
    QFileInfo info(QString::fromStdString(fileName));
    if (!info.isFile())
        throw Exception(SoundErrorMessage("the file \"" + fileName + "\" does not exist"));
    if (!player.isAvailable())
        throw Exception(SoundErrorMessage("no sound output is available"));
    impl_->failed = false;
    impl_->starting = true;
    player.setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    if (player.error() == QMediaPlayer::NoError)
        player.play();
    impl_->starting = false;
    if (player.error() != QMediaPlayer::NoError) {
        impl_->failed = true;
        throw Exception(SoundErrorMessage(player.errorString().toStdString()));
    }
}

bool TQtSoundPlayer::Playing() const {
    return !impl_->failed && impl_->player.playbackState() == QMediaPlayer::PlayingState;
}

void TQtSoundPlayer::Stop() {
    impl_->player.stop();
}
