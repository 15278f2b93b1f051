#pragma once
// Whole text files in code page 936 (GB18030), as the format exchange files
// are written: no byte-order mark, line breaks kept exactly as in the text.

#include <QString>

// Result codes of WriteTextFile.
enum TextWriteResult : int {
    TextWriteOk = 1,
    TextWriteOldTempFailed = -1, // a leftover "<path>.TMP" could not be deleted
    TextWriteCreateFailed = -3, // the new file could not be created
    TextWriteWriteFailed = -6, // writing the text failed
    TextWriteReplaceFailed = -7, // the written file could not take the target's place
};

// Writes the text to exactly that path. The text goes to a temporary file
// that replaces the target only when it was written completely, so a failed
// write leaves an existing target as it was. 1 on success, else a negative
// TextWriteResult.
int WriteTextFile(const QString &text, const QString &path);
// Up to 31 tries of WriteTextFile, letting the event loop run between them;
// true when one succeeded.
bool WriteTextFileRetry(const QString &text, const QString &path);
// The whole text of the file; retried while the file cannot be read or is
// empty. After 100 failed tries shows "无法打开下载文档：" and the path and
// returns "". With deleteAfter the file is removed after a successful read.
QString ReadTextFile(const QString &path, bool deleteAfter);
