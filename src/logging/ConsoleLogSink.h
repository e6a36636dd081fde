#pragma once

#include "logging/ILogSink.h"

#include <cstdio>

// Writes every record as one line "hh:mm:ss.zzz TAG origin: text" to a C stream (stderr).
class ConsoleLogSink : public ILogSink {
public:
    explicit ConsoleLogSink(std::FILE* out = stderr);

    bool isConsole() const override { return true; }
    void write(const LoggingData& record) override;
    void flush() override;

    static QByteArray formatLine(const LoggingData& record);

private:
    std::FILE* m_out;
};
