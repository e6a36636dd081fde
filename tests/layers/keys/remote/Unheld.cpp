QString colour(IConfigBase* config)
{
    QString value;
    config->queryString(QLatin1String("/HV Identification/Colour"), value); // a key without a row
    return value;
}
