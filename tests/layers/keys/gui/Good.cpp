// "/Settings/Theme" in a comment names nothing.
/* Nor "/Settings/Theme" in a block. */
QString texts()
{
    return QCoreApplication::translate("Settings", "AskDeleteLogfiles") + QStringLiteral("/dev/input/") +
           QString::fromLatin1(ConfigKeys::Theme) + QStringLiteral("\"%1\" is no file");
}
