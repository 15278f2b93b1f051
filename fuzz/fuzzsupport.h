#pragma once
// Shared pieces of the libFuzzer targets: the input bytes seen as the texts
// the program meets (UTF-8, raw UTF-16 code units, code page 936, parts cut
// at NUL bytes), a check that counts as a crash, and a fresh data folder with
// a Qt application for targets that reach settings or the database.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

class ScriptedDialogs;

namespace fuzz {

QByteArray Bytes(const uint8_t *data, size_t size);
// Invalid sequences read as U+FFFD, as Qt reads them.
QString Utf8(const uint8_t *data, size_t size);
// Every code unit as it is, lone surrogates included; an odd last byte is
// dropped.
QString Utf16(const uint8_t *data, size_t size);
// The bytes cut at every NUL byte, empty parts kept.
QStringList Utf8Parts(const uint8_t *data, size_t size);

// A QCoreApplication, a temporary data folder (WAYBILL_DATA_DIR) and scripted
// dialogs that record and answer nothing. Call from LLVMFuzzerInitialize.
void InitApp(int *argc, char ***argv);
// The scripted dialogs InitApp installed; clear them for every input.
ScriptedDialogs &Dialogs();

[[noreturn]] void Fail(const char *what, const char *file, int line, const QString &detail);

} // namespace fuzz

// A property the target checks on every input; a failure is reported as a
// crash with the input saved by libFuzzer.
#define FUZZ_CHECK(cond, detail)                                                                   \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ::fuzz::Fail(#cond, __FILE__, __LINE__, (detail));                                     \
    } while (0)
