#include "core/NumberString.h"

#include <QCoreApplication>
#include <QLocale>
#include <QtGlobal>

#include <cmath>

namespace {
QString prefixFor(int exponent)
{
    switch (exponent) {
    case -9: return QStringLiteral("n");
    case -6: return NumberString::microSign();
    case -3: return QStringLiteral("m");
    case 0: return QString();
    case 3: return QStringLiteral("k");
    case 6: return QStringLiteral("M");
    case 9: return QStringLiteral("G");
    case 12: return QStringLiteral("T");
    default: return QString();
    }
}

int floorDiv3(int e) { return e >= 0 ? (e / 3) * 3 : -(((-e) + 2) / 3) * 3; }

QString farad() { return QCoreApplication::translate("Units", "F", "farad"); }
} // namespace

const QString& NumberString::ohmSign()
{
    static const QString s(QChar(0x2126));
    return s;
}

const QString& NumberString::microSign()
{
    static const QString s(QChar(0x00B5));
    return s;
}

NumberString::NumberAndUnit NumberString::voltage(long millivolts)
{
    return {QLocale().toString(static_cast<double>(millivolts) / 1000000.0, 'f', 1),
            QCoreApplication::translate("Units", "kV", "unit kilo volt")};
}

NumberString::NumberAndUnit NumberString::leakageAmperage(long long nanoamperes)
{
    const long long microamperes = nanoamperes / 1000;
    if (microamperes >= 1000)
        return {QLocale().toString(static_cast<double>(microamperes) / 1000.0, 'f', 2), QStringLiteral("mA")};
    return {QLocale().toString(microamperes), microSign() + QLatin1Char('A')};
}

NumberString::NumberAndUnit NumberString::loadResistance(unsigned long long milliohms)
{
    if (milliohms >= ResistanceOverRange)
        return {QStringLiteral(">= 5"), QLatin1Char('G') + ohmSign()};
    if (milliohms == ResistanceRangeLimit)
        return {QStringLiteral(">= 100"), QLatin1Char('M') + ohmSign()};
    const NumberAndUnit n = threeSignificantDigits(milliohms, -3, -3, 9);
    return {n.first, n.second + ohmSign()};
}

NumberString::NumberAndUnit NumberString::loadCapacitance(unsigned long long nanofarads)
{
    if (nanofarads == 0)
        return {QLatin1Char('<') + QLocale().toString(1), QLatin1Char('n') + farad()};
    if (nanofarads < 100)
        return {QLocale().toString(nanofarads), QLatin1Char('n') + farad()};
    const NumberAndUnit n = threeSignificantDigits(nanofarads, -9, -9, 0);
    return {n.first, n.second + farad()};
}

NumberString::NumberAndUnit NumberString::testFrequency(unsigned long millihertz)
{
    return {QLocale().toString(static_cast<double>(millihertz) / 1000.0, 'f', 2), QStringLiteral("Hz")};
}

NumberString::NumberAndUnit NumberString::tanDelta(unsigned long value, int precision)
{
    const int decimals = qBound(0, precision - 3, 10);
    return {QLocale().toString(static_cast<double>(value) / 1000.0, 'f', decimals), QString()};
}

NumberString::NumberAndUnit NumberString::emptyString(const QString& value, const QString& unit)
{
    return {value, unit};
}

NumberString::NumberAndUnit NumberString::threeSignificantDigits(unsigned long long value, int baseExponent,
                                                                 int minExponent, int maxExponent)
{
    if (value == 0) {
        const int e = qBound(minExponent, 0, maxExponent);
        return {QLocale().toString(0), prefixFor(e)};
    }
    int digits = 0;
    for (unsigned long long v = value; v; v /= 10)
        ++digits;
    // Round to three significant digits in integers, so 999.5 becomes 1.00 of the next prefix.
    unsigned long long mantissa = value;
    int dropped = 0;
    if (digits > 3) {
        dropped = digits - 3;
        unsigned long long div = 1;
        for (int i = 0; i < dropped; ++i)
            div *= 10;
        mantissa = value / div + ((value % div) >= (div - div / 2) ? 1 : 0);
        if (mantissa >= 1000) {
            mantissa /= 10;
            ++dropped;
            ++digits;
        }
    }
    const int leading = baseExponent + digits - 1; // exponent of the leading digit
    const int prefix = qBound(minExponent, floorDiv3(leading), maxExponent);
    const int shift = baseExponent + dropped - prefix; // mantissa × 10^shift in units of the prefix
    const double number = static_cast<double>(mantissa) * std::pow(10.0, shift);
    const int decimals = qMax(0, 2 - (leading - prefix));
    return {QLocale().toString(number, 'f', decimals), prefixFor(prefix)};
}
