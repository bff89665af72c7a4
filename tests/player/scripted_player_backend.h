#pragma once
// A playback engine for tests of the player and its hosts: records every call
// in order and answers from values the test sets.
#include "player_backend.h"

#include <QStringList>
#include <QWidget>

namespace testsupport {

class ScriptedPlayerBackend : public player::PlayerBackend {
public:
    // Answers.
    BuildFailure buildFailure = BuildFailure::None;
    player::PlaybackResult ownerResult = 0;
    player::PlaybackResult styleResult = 0;
    player::PlaybackResult placeResult = 0;  // the first placement of each build (open step)
    player::PlaybackResult runResult = 0;
    int width = 640;
    int height = 480;
    double secondsPerFrame = 0.04;
    qint64 length = 600000000;  // 60 s
    qint64 current = 0;         // the position, moved by seeks

    // What happened.
    QStringList calls;            // "build file", "run", "seek 123", ...
    bool built = false;
    QWidget* owner = nullptr;
    QRect picture;
    quint32 volume = 0;
    int builds = 0;

    BuildFailure build(const QString& fileName) override
    {
        calls << "build " + fileName;
        ++builds;
        built = buildFailure == BuildFailure::None;
        placedSinceBuild = false;
        return buildFailure;
    }
    player::PlaybackResult setOwner(QWidget* videoPanel) override
    {
        calls << "owner";
        owner = videoPanel;
        return ownerResult;
    }
    player::PlaybackResult setChildStyle() override
    {
        calls << "style";
        return styleResult;
    }
    player::PlaybackResult placePicture(int left, int top, int w, int h) override
    {
        calls << QString("place %1 %2 %3 %4").arg(left).arg(top).arg(w).arg(h);
        picture = QRect(left, top, w, h);
        const bool first = !placedSinceBuild;
        placedSinceBuild = true;
        return first ? placeResult : 0;
    }
    int sourceWidth() override { return width; }
    int sourceHeight() override { return height; }
    double frameDuration() override { return secondsPerFrame; }
    player::PlaybackResult setRate(double rate) override
    {
        calls << QString("rate %1").arg(rate);
        return 0;
    }
    player::PlaybackResult run() override
    {
        calls << "run";
        return runResult;
    }
    player::PlaybackResult pause() override
    {
        calls << "pause";
        return 0;
    }
    player::PlaybackResult stop() override
    {
        calls << "stop";
        return 0;
    }
    qint64 duration() override { return length; }
    qint64 position() override { return current; }
    player::PlaybackResult setPosition(qint64 position) override
    {
        calls << QString("seek %1").arg(position);
        current = position;
        return 0;
    }
    void setVolume(quint32 level) override
    {
        calls << QString("volume %1").arg(level);
        volume = level;
    }
    void release() override
    {
        calls << "release";
        built = false;
    }

    // The calls since the last clear, then clears them.
    QStringList takeCalls()
    {
        QStringList taken = calls;
        calls.clear();
        return taken;
    }

private:
    bool placedSinceBuild = false;
};

} // namespace testsupport
