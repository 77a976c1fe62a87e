#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <memory>

namespace qn {

// Code page 932 (Shift_JIS as Windows writes it). Every character that the
// code page cannot hold becomes one "?"; nothing is substituted silently.
class Cp932Encoder {
public:
    Cp932Encoder();
    ~Cp932Encoder();
    Cp932Encoder(const Cp932Encoder &) = delete;
    Cp932Encoder &operator=(const Cp932Encoder &) = delete;

    // Appends the encoding of text to out.
    void append(QByteArray &out, QStringView text);
    // Writes the encoding of text at dst, which has room for
    // maxEncodedSize(text.size()) bytes; returns the end of what it wrote.
    // *replaced becomes true when a character had to become "?".
    char *write(char *dst, QStringView text, bool *replaced = nullptr);
    static constexpr qsizetype maxEncodedSize(qsizetype utf16Length) { return 3 * utf16Length; }
    // text as write() puts it in the file: each character the code page
    // cannot hold as "?".
    QString asWritten(QStringView text);

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

QByteArray toCp932(QStringView text);
// Text in code page 932 (as a spreadsheet saves a CSV on a Japanese desktop);
// false when the bytes are not code page 932.
bool fromCp932(QByteArrayView bytes, QString &text);

} // namespace qn
