#pragma once

#include <QString>

namespace qn {

// The four size units: 0 bytes, 1 kilobytes, 2 kilobytes switching to
// megabytes, 3 mixed. Units are decimal and fractions are cut off.
enum SizeUnitValue { UnitBytes = 0, UnitKilo = 1, UnitKiloMega = 2, UnitMixed = 3, UnitCount };

// 0 below 10,000 bytes (and for zero or negative counts), 1 below
// 10,000,000, 2 from there on.
int SizeMagnitude(qint64 bytes);

// FormatSize with the suffix it leaves behind: every rendering of a size reads
// UnitSuffix() right after the call. An out-of-range unit gives 0 and keeps
// the previous suffix (empty before the first call).
class SizeFormatter {
public:
    qint64 FormatSize(int unit, qint64 bytes);
    const QString &UnitSuffix() const { return *m_unitSuffix; }

    // The number in plain decimal immediately followed by its suffix.
    QString sizeText(int unit, qint64 bytes);

private:
    // Points at one of the shared suffix texts; copying a QString would cost
    // an atomic reference count for every size rendered.
    const QString *m_unitSuffix;

public:
    SizeFormatter();
};

} // namespace qn
