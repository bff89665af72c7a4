#pragma once
#include "message_sink.h"

#include <QString>
#include <QStringList>
#include <memory>

// The request log and the error log: text files that are appended to, each line
// the local time "yyyy-mm-dd hh:nn:ss", a TAB, the text and CR LF (UTF-8). Each log
// also keeps the lines written since the main window last took its view text.
//
// Lines come from many request threads; each log has its own lock around its
// file, its path and its view text, so lines never interleave and the file and the
// view list them in the same order. Open, close and rotation run on the main thread
// and show their messages only after releasing the lock.
class KESTRALINE_LOG {
public:
    KESTRALINE_LOG();
    ~KESTRALINE_LOG();
    KESTRALINE_LOG(const KESTRALINE_LOG&) = delete;
    KESTRALINE_LOG& operator=(const KESTRALINE_LOG&) = delete;

    void OpenLog(const QString& name);
    void CloseLog();
    void WriteLog(const QString& text);
    // Moves the current file aside under a time-stamped name and starts a fresh one.
    void NewLog();

    void OpenErrorsLog(const QString& name);
    void CloseErrorsLog();
    void WriteErrorsLog(const QString& text);
    void NewErrorsLog();

    // The lines not yet taken, each followed by CR LF; the view text is emptied.
    QString TakeRequestViewText();
    QString TakeErrorViewText();

    bool IsLogOpen() const;
    bool IsErrorsLogOpen() const;

    // Shows the open and rotation failures, on the main thread.
    MessageSink show_message;

private:
    void show(const QStringList& messages) const;

    class Channel;
    std::unique_ptr<Channel> request_log;
    std::unique_ptr<Channel> error_log;
};
