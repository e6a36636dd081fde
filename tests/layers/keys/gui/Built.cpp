void reset(IConfigBase* config)
{
    config->setLong(QStringLiteral("/") + QStringLiteral("Settings") + QLatin1Char('/') +
                        QStringLiteral("Theme"),
                    0);
    config->setBoolean(QStringLiteral("/Settings/Insulations/%1").arg(3), true);
}
