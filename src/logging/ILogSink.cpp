#include "logging/ILogSink.h"

ILogSink::ILogSink(int minCategory, int maxCategory, Feed feed)
    : m_minCategory(minCategory), m_maxCategory(maxCategory), m_feed(feed)
{
}

ILogSink::~ILogSink() = default;

bool ILogSink::accepts(const LoggingData& record) const
{
    if (m_feed == Feed::ServiceRecords)
        return record.serviceOnly;
    return !record.serviceOnly && record.category >= m_minCategory && record.category <= m_maxCategory;
}
