<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB">
<context>
    <name>CableData</name>
    <message>
        <source>ResetCableSearch</source>
        <translation>Reset search</translation>
    </message>
    <message>
        <source>SearchCableNumber</source>
        <translation>Search cable number</translation>
    </message>
    <message>
        <source>UnknownCable</source>
        <translation>Unknown cable</translation>
    </message>
</context>
<context>
    <name>Calibration</name>
    <message>
        <source>1 tanδ Im</source>
        <translation>1 tanδ Im</translation>
    </message>
    <message>
        <source>1 tanδ Re</source>
        <translation>1 tanδ Re</translation>
    </message>
    <message>
        <source>2 tanδ Im</source>
        <translation>2 tanδ Im</translation>
    </message>
    <message>
        <source>2 tanδ Re</source>
        <translation>2 tanδ Re</translation>
    </message>
    <message>
        <source>C HV Output (pF)</source>
        <translation>C HV output (pF)</translation>
    </message>
    <message>
        <source>CErd Calibration (pF)</source>
        <translation>C earth cal. (pF)</translation>
    </message>
    <message>
        <source>CommissioningEnabled</source>
        <translation>Commissioning enabled</translation>
    </message>
    <message>
        <source>CrossCurrentIncrease</source>
        <translation>Cross-current increase</translation>
    </message>
    <message>
        <source>ErrorWritingHVUnitParameter</source>
        <translation>Error while writing a parameter to the HV unit!</translation>
    </message>
    <message>
        <source>Gain I</source>
        <translation>Gain I</translation>
    </message>
    <message>
        <source>Gain I HVN</source>
        <translation>Gain I HVN</translation>
    </message>
    <message>
        <source>Gain I HVP</source>
        <translation>Gain I HVP</translation>
    </message>
    <message>
        <source>Gain PFC</source>
        <translation>Gain PFC</translation>
    </message>
    <message>
        <source>Gain U</source>
        <translation>Gain U</translation>
    </message>
    <message>
        <source>Gain U HVN</source>
        <translation>Gain U HVN</translation>
    </message>
    <message>
        <source>Gain U HVP</source>
        <translation>Gain U HVP</translation>
    </message>
    <message>
        <source>H-Bridge</source>
        <translation>H-bridge</translation>
    </message>
    <message>
        <source>HV Generator Char</source>
        <translation>HV generator characteristic</translation>
    </message>
    <message>
        <source>HV Protection R (Ω)</source>
        <translation>HV protection R (Ω)</translation>
    </message>
    <message>
        <source>HvSinParameterVlfSettingsNotSupported</source>
        <translation>The HV unit does not support the VLF sine settings parameter.</translation>
    </message>
    <message>
        <source>HvSourceError</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>HvSourceState</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Ignition Pulse Type</source>
        <translation>Ignition pulse type</translation>
    </message>
    <message>
        <source>LD Calibration</source>
        <translation>LD calibration</translation>
    </message>
    <message>
        <source>LimitPwm</source>
        <translation>Limit PWM</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Offset I HVN</source>
        <translation>Offset I HVN</translation>
    </message>
    <message>
        <source>Offset I HVP</source>
        <translation>Offset I HVP</translation>
    </message>
    <message>
        <source>Offset U HVN</source>
        <translation>Offset U HVN</translation>
    </message>
    <message>
        <source>Offset U HVP</source>
        <translation>Offset U HVP</translation>
    </message>
    <message>
        <source>On</source>
        <translation>On</translation>
    </message>
    <message>
        <source>ParameterOutOfRange</source>
        <translation>Parameter out of range!</translation>
    </message>
    <message>
        <source>R HV Output (GΩ)</source>
        <translation>R HV output (GΩ)</translation>
    </message>
    <message>
        <source>RErd Calibration (GΩ)</source>
        <translation>R earth cal. (GΩ)</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>TDCalibrationMode</source>
        <translation>Tan delta calibration mode</translation>
    </message>
    <message>
        <source>TestBoostPresent</source>
        <translation>Test boost present</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Yes</translation>
    </message>
</context>
<context>
    <name>Comment</name>
    <message>
        <source>CommentNotStorable</source>
        <translation>The comment holds characters that a test record cannot store; use others.</translation>
    </message>
    <message>
        <source>EnterComment</source>
        <translation>Comment on the test</translation>
    </message>
    <message>
        <source>MeasurementComment</source>
        <translation>Comment</translation>
    </message>
</context>
<context>
    <name>Commissioning</name>
    <message>
        <source>EndPart</source>
        <translation>End part</translation>
    </message>
    <message>
        <source>OwedUnitWritesDone</source>
        <translation>The HV unit got what a commissioning procedure still owed it (stop, old settings).</translation>
    </message>
    <message>
        <source>OwedUnitWritesGainsRestored</source>
        <translation>The output voltage calibration could not give the HV unit its old gains back before the program ended; it got them at this start (U %1, I %2).</translation>
    </message>
    <message>
        <source>OwedUnitWritesStopRestored</source>
        <translation>A commissioning procedure could not stop the HV unit before the program ended; it was stopped at this start.</translation>
    </message>
    <message>
        <source>OwedUnitWritesWordsRestored</source>
        <translation>The cascade calibration could not give the HV unit its old calibration words back before the program ended; it got them at this start (%1).</translation>
    </message>
    <message>
        <source>OwedUnitWritesFailed</source>
        <translation>What a commissioning procedure still owes the HV unit (stop, old settings) could not be written yet; it is written as soon as the unit takes it.</translation>
    </message>
    <message>
        <source>OwedUnitWritesStopFailed</source>
        <translation>The stop a commissioning procedure still owes the HV unit could not be sent yet; it is sent as soon as the unit answers.</translation>
    </message>
    <message>
        <source>OwedUnitWritesValuesFailed</source>
        <translation>Old settings a commissioning procedure still owes the HV unit could not be written yet; they are written as soon as the unit takes them.</translation>
    </message>
    <message>
        <source>OwedUnitWritesOtherUnit</source>
        <translation>Another HV unit (%3, %4) is connected: the calibration of the HV unit %1 (%2) may be wrong. It gets its old values when it is connected again.</translation>
    </message>
    <message>
        <source>OwedUnitWritesFileKeptAside</source>
        <translation>What the HV unit is still owed could not be read (a damaged or too large file) and was kept as %1: the unit may still hold a commissioning procedure's set-up values.</translation>
    </message>
    <message>
        <source>OwedUnitWritesRefused</source>
        <translation>Old values kept for the HV unit were not written, no commissioning procedure keeps such values (%1): the unit may still hold a procedure's set-up values.</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>ConfigfileManager</name>
    <message>
        <source>ConfigImportFailed</source>
        <translation>Import of the configuration failed!</translation>
    </message>
    <message>
        <source>ConfigIsInvalid</source>
        <translation>The configuration file is invalid!</translation>
    </message>
    <message>
        <source>ConfigSuccessfullyImported</source>
        <translation>Configuration successfully imported. The system restarts now.</translation>
    </message>
    <message>
        <source>SearchingForConfigOnUsb</source>
        <translation>Searching for configuration files on the USB flash drive...</translation>
    </message>
    <message>
        <source>ImportThisConfigfile</source>
        <translation>Import config file</translation>
    </message>
    <message>
        <source>ConfigSuccessfullyExported</source>
        <translation>Configuration exported to %1</translation>
    </message>
    <message>
        <source>ConfigExportFailed</source>
        <translation>Export of the configuration failed!</translation>
    </message>
    <message>
        <source>BackupOfAnotherInstrument</source>
        <translation>The backup configuration on the USB flash drive belongs to another instrument: it was not imported.</translation>
    </message>
    <message>
        <source>ConfigSetAside</source>
        <translation>The configuration could not be read and was set aside: default settings are used.</translation>
    </message>
</context>
<context>
    <name>Connection</name>
    <message>
        <source>Bluetooth</source>
        <translation>Bluetooth</translation>
    </message>
    <message>
        <source>DeviceName</source>
        <translation>Device name</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>On</source>
        <translation>On</translation>
    </message>
    <message>
        <source>Power</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>State</source>
        <translation>State</translation>
    </message>
    <message>
        <source>USB</source>
        <translation>USB</translation>
    </message>
    <message>
        <source>WLAN</source>
        <translation>WLAN</translation>
    </message>
    <message>
        <source>connected</source>
        <translation>connected</translation>
    </message>
    <message>
        <source>disabled</source>
        <translation>disabled</translation>
    </message>
    <message>
        <source>listening</source>
        <translation>listening</translation>
    </message>
</context>
<context>
    <name>Database</name>
    <message>
        <source>AskResetToDefaultValues</source>
        <translation>Do you want to reset all settings to their default values?</translation>
    </message>
    <message>
        <source>AskResetAdminPassword</source>
        <translation>The administrator password returns to the factory password.</translation>
    </message>
</context>
<context>
    <name>DateTime</name>
    <message>
        <source>April</source>
        <translation>April</translation>
    </message>
    <message>
        <source>August</source>
        <translation>August</translation>
    </message>
    <message>
        <source>DateFormat</source>
        <translation>MM/dd/yyyy</translation>
    </message>
    <message>
        <source>December</source>
        <translation>December</translation>
    </message>
    <message>
        <source>February</source>
        <translation>February</translation>
    </message>
    <message>
        <source>January</source>
        <translation>January</translation>
    </message>
    <message>
        <source>July</source>
        <translation>July</translation>
    </message>
    <message>
        <source>June</source>
        <translation>June</translation>
    </message>
    <message>
        <source>March</source>
        <translation>March</translation>
    </message>
    <message>
        <source>May</source>
        <translation>May</translation>
    </message>
    <message>
        <source>November</source>
        <translation>November</translation>
    </message>
    <message>
        <source>October</source>
        <translation>October</translation>
    </message>
    <message>
        <source>September</source>
        <translation>September</translation>
    </message>
    <message>
        <source>TimeFormat</source>
        <translation>hh:mm:ss AP</translation>
    </message>
    <message>
        <source>TimeFormatHours</source>
        <comment>time format, hh=hour, mm=minute, ss=second, characters enclosed in single quotes will be treated as normal text</comment>
        <translation>hh:mm:ss</translation>
    </message>
    <message>
        <source>TimeFormatMinutes</source>
        <comment>time format, mm=minute, ss=second, characters enclosed in single quotes will be treated as normal text</comment>
        <translation>mm:ss</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>Back</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>CantChangeDateTime</source>
        <translation>Date and time could not be changed!</translation>
    </message>
    <message>
        <source>CantChangeIp</source>
        <translation>The IP address could not be changed!</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>CommunicationDown</source>
        <translation>Communication is down</translation>
    </message>
    <message>
        <source>DateTimeChanged</source>
        <translation>Date and time were changed.</translation>
    </message>
    <message>
        <source>ErrorWhileLoadingData</source>
        <translation>Error while loading data</translation>
    </message>
    <message>
        <source>IpChanged</source>
        <translation>The IP address was changed.</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>PasswordChanged</source>
        <translation>The password was changed.</translation>
    </message>
    <message>
        <source>PasswordNotValid</source>
        <translation>The password is not valid!</translation>
    </message>
    <message>
        <source>ResultFactorLimited</source>
        <translation>The factor was set to %1: with U0 at %2 kV the highest level, %1 × U0, reaches the maximum of %3 kV.</translation>
    </message>
    <message>
        <source>ResultVoltageToLow</source>
        <translation>Voltage was adjusted because this factor would result in a test voltage of %1 kV.</translation>
    </message>
    <message>
        <source>SerialNumberChanged</source>
        <translation>The serial number was changed.</translation>
    </message>
    <message>
        <source>SerialNumberNotValid</source>
        <translation>The serial number is not valid!</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>ValueAboveMaximum</source>
        <translation>The value is above the maximum!</translation>
    </message>
    <message>
        <source>ValueBelowMinimum</source>
        <translation>The value is below the minimum!</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Return</source>
        <translation>Return</translation>
    </message>
</context>
<context>
    <name>ErrorMessages</name>
    <message>
        <source>BackfeedDetected</source>
        <translation>Backfeed detected</translation>
    </message>
    <message>
        <source>BitLoad</source>
        <translation>Load bit set</translation>
    </message>
    <message>
        <source>BitVal</source>
        <translation>Value bit set</translation>
    </message>
    <message>
        <source>BluetoothAdapterFailed</source>
        <translation>The Bluetooth adapter reported an error!</translation>
    </message>
    <message>
        <source>BreakdownDetected</source>
        <translation>Breakdown detected!</translation>
    </message>
    <message>
        <source>CapacitanceTooSmall</source>
        <translation>Capacitance of the test object too small</translation>
    </message>
    <message>
        <source>CheckIfSystemWorkingOk</source>
        <translation>Please check that the system works correctly.</translation>
    </message>
    <message>
        <source>ComErrorHVUnit</source>
        <translation>Communication error with the HV unit!</translation>
    </message>
    <message>
        <source>CommunicationDownCAN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DatabaseNotWritable</source>
        <translation>The database cannot be written: settings and log entries are not saved</translation>
    </message>
    <message>
        <source>DatabaseReset</source>
        <translation>The database was damaged and has been reset to factory values</translation>
    </message>
    <message>
        <source>DischargeDeviceError</source>
        <translation>Error of the discharge device!</translation>
    </message>
    <message>
        <source>EMVError</source>
        <translation>EMC error!</translation>
    </message>
    <message>
        <source>EffectiveTestParameters</source>
        <translation>Determining the effective test parameters</translation>
    </message>
    <message>
        <source>ErrorWhileWritingData</source>
        <translation>Error while writing data!</translation>
    </message>
    <message>
        <source>FreqAdaptionImpossible</source>
        <translation>Frequency adaption not possible</translation>
    </message>
    <message>
        <source>HVGenDisabled</source>
        <translation>HV generator disabled</translation>
    </message>
    <message>
        <source>HVGenNotStarted</source>
        <translation>HV generator not started</translation>
    </message>
    <message>
        <source>HVUnitNotReady</source>
        <translation>HV unit not ready!</translation>
    </message>
    <message>
        <source>HVUnitUnableCharge</source>
        <translation>The HV unit is unable to charge the test object.</translation>
    </message>
    <message>
        <source>IgnitionThyristorSwitchFailed</source>
        <translation>Ignition thyristor switch failed!</translation>
    </message>
    <message>
        <source>IllegalOperation</source>
        <translation>Illegal operation!</translation>
    </message>
    <message>
        <source>InternalSWError</source>
        <translation>Internal software error</translation>
    </message>
    <message>
        <source>LoadDetection</source>
        <translation>Load detection</translation>
    </message>
    <message>
        <source>LoadImpUnknown</source>
        <translation>Load impedance unknown</translation>
    </message>
    <message>
        <source>NoBluetoothAdapter</source>
        <translation>No Bluetooth adapter found!</translation>
    </message>
    <message>
        <source>OutputOffsetTooBig</source>
        <translation>Output offset too big!</translation>
    </message>
    <message>
        <source>OutputVoltageNotReached</source>
        <translation>Output voltage not reached</translation>
    </message>
    <message>
        <source>OvercurrentHVUnit</source>
        <translation>Overcurrent in the HV unit!</translation>
    </message>
    <message>
        <source>Overload</source>
        <translation>Overload!</translation>
    </message>
    <message>
        <source>OvertemperatureDetected</source>
        <translation>Overtemperature detected!</translation>
    </message>
    <message>
        <source>OvervoltageDetected</source>
        <translation>Overvoltage detected!</translation>
    </message>
    <message>
        <source>PolarityError</source>
        <translation>Polarity error!</translation>
    </message>
    <message>
        <source>PressJogdial</source>
        <translation>Please press the jog dial.</translation>
    </message>
    <message>
        <source>ReasonShortAtOutput</source>
        <translation>Reason: short circuit at the output</translation>
    </message>
    <message>
        <source>RebootHVUnitDetected</source>
        <translation>Reboot of the HV unit detected!</translation>
    </message>
    <message>
        <source>SCNotClosed</source>
        <translation>Safety circuit not closed</translation>
    </message>
    <message>
        <source>TBCommunicationError</source>
        <translation>Communication error with the test boost!</translation>
    </message>
    <message>
        <source>TBPowerError</source>
        <translation>Power error of the test boost!</translation>
    </message>
    <message>
        <source>TBStateError</source>
        <translation>State error of the test boost!</translation>
    </message>
    <message>
        <source>TesResult</source>
        <translation>Test result</translation>
    </message>
    <message>
        <source>TesResult value out of range!</source>
        <translation>Test result value out of range!</translation>
    </message>
    <message>
        <source>TestCancelled</source>
        <translation>Test cancelled</translation>
    </message>
    <message>
        <source>TestCancelledByOp</source>
        <translation>Test cancelled by the operator</translation>
    </message>
    <message>
        <source>TestFinished</source>
        <translation>Test finished</translation>
    </message>
    <message>
        <source>TestFinishedSuccess</source>
        <translation>Test finished successfully</translation>
    </message>
    <message>
        <source>TestObjectUnableCharge</source>
        <translation>The test object cannot be charged.</translation>
    </message>
    <message>
        <source>TestResult</source>
        <translation>Test result</translation>
    </message>
    <message>
        <source>TestResult value not match!</source>
        <translation>Test result value does not match!</translation>
    </message>
    <message>
        <source>TestResUnknown</source>
        <translation>Test result unknown</translation>
    </message>
    <message>
        <source>Timeout</source>
        <translation>Timeout</translation>
    </message>
    <message>
        <source>TimeoutWaitingAckTestParam</source>
        <translation>Timeout while waiting for the HV unit to accept the test parameters</translation>
    </message>
    <message>
        <source>UnableToLoadLanguage</source>
        <translation>Unable to load language: %1</translation>
    </message>
    <message>
        <source>UnknownErrorHVUnit</source>
        <translation>Unknown error of the HV unit!</translation>
    </message>
    <message>
        <source>VoltageDisabled</source>
        <translation>Voltage disabled</translation>
    </message>
</context>
<context>
    <name>EvaluationStandard</name>
    <message>
        <source>AskRemoveListOfStandards</source>
        <translation>Remove all selected standards?</translation>
    </message>
    <message>
        <source>StoredTestsJudgedWith</source>
        <translation>Stored tests judged with them: %1 (they keep their verdicts)</translation>
    </message>
    <message>
        <source>RemoveListOfStandardsSuccess</source>
        <translation>The selected standards have been removed.</translation>
    </message>
    <message>
        <source>RemoveListOfStandardsFailed</source>
        <translation>The selected standards could not all be removed!</translation>
    </message>
    <message>
        <source>ExportToUsbSuccess</source>
        <translation>The selected standards have been exported to the USB flash drive.</translation>
    </message>
    <message>
        <source>ExportToUsbFailed</source>
        <translation>Export to the USB flash drive failed!</translation>
    </message>
</context>
<context>
    <name>HVSource</name>
    <message>
        <source>CanSwitchOff</source>
        <translation>Can switch off</translation>
    </message>
    <message>
        <source>EepromChecksum</source>
        <translation>EEPROM checksum error</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>HvcDevitation</source>
        <translation>HV cascade deviation</translation>
    </message>
    <message>
        <source>HvcOverCurrent</source>
        <translation>HV cascade overcurrent</translation>
    </message>
    <message>
        <source>HvcOverVoltage</source>
        <translation>HV cascade overvoltage</translation>
    </message>
    <message>
        <source>MainsUnderVoltage</source>
        <translation>Mains undervoltage</translation>
    </message>
    <message>
        <source>NoConnectionToHvCasscade</source>
        <translation>No connection to the HV cascade</translation>
    </message>
    <message>
        <source>None</source>
        <translation>None</translation>
    </message>
    <message>
        <source>NormalMode</source>
        <translation>Normal mode</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>OverTemperature</source>
        <translation>Overtemperature</translation>
    </message>
    <message>
        <source>OverTemperatureNegativ</source>
        <translation>Overtemperature (negative cascade)</translation>
    </message>
    <message>
        <source>OverTemperaturePositive</source>
        <translation>Overtemperature (positive cascade)</translation>
    </message>
    <message>
        <source>PfcOverCurrent</source>
        <translation>PFC overcurrent</translation>
    </message>
    <message>
        <source>PfcOverLoad</source>
        <translation>PFC overload</translation>
    </message>
    <message>
        <source>PfcOverTemperature</source>
        <translation>PFC overtemperature</translation>
    </message>
    <message>
        <source>PfcOverVoltage</source>
        <translation>PFC overvoltage</translation>
    </message>
    <message>
        <source>PfcStartup</source>
        <translation>PFC start-up</translation>
    </message>
    <message>
        <source>Ramp</source>
        <translation>Ramp</translation>
    </message>
    <message>
        <source>Release</source>
        <translation>Release</translation>
    </message>
    <message>
        <source>Reserved</source>
        <translation>Reserved</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>Silent</source>
        <translation>Silent</translation>
    </message>
    <message>
        <source>SilentMode</source>
        <translation>Silent mode</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>UnknownError</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>Unkown</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>Wait</source>
        <translation>Wait</translation>
    </message>
    <message>
        <source>WaitForClearance</source>
        <translation>Waiting for clearance</translation>
    </message>
</context>
<context>
    <name>History</name>
    <message>
        <source>DataSuccessfullyExported</source>
        <translation>Data successfully exported to %1</translation>
    </message>
    <message>
        <source>PleaseConnectUSBAndRetry</source>
        <translation>Please connect a USB device and retry</translation>
    </message>
    <message>
        <source>UnableToExportData</source>
        <translation>Unable to export data to %1</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>ChooseStorageMedium</source>
        <translation>Choose the storage medium</translation>
    </message>
</context>
<context>
    <name>InfoMessages</name>
    <message>
        <source>ApplicationRemoteControlled</source>
        <translation>The instrument is controlled remotely</translation>
    </message>
    <message>
        <source>DeletingAllData</source>
        <translation>Deleting all data...</translation>
    </message>
    <message>
        <source>DischargeInProgress</source>
        <translation>Discharge in progress...</translation>
    </message>
</context>
<context>
    <name>Information</name>
    <message>
        <source>BootloaderVersion</source>
        <translation>Boot loader</translation>
    </message>
    <message>
        <source>DiskUsage</source>
        <translation>Disk usage</translation>
    </message>
    <message>
        <source>FilesystemVersion</source>
        <translation>File system</translation>
    </message>
    <message>
        <source>FreeSpaceForData</source>
        <translation>Free space for tests</translation>
    </message>
    <message>
        <source>HardwareId</source>
        <translation>Hardware ID</translation>
    </message>
    <message>
        <source>HardwareVersion</source>
        <translation>Hardware version</translation>
    </message>
    <message>
        <source>HvSourceVersion</source>
        <translation>HV source version</translation>
    </message>
    <message>
        <source>HvUnitApplication</source>
        <translation>HV unit application</translation>
    </message>
    <message>
        <source>IgnitionMode</source>
        <translation>Ignition mode</translation>
    </message>
    <message>
        <source>KernelVersion</source>
        <translation>Kernel</translation>
    </message>
    <message>
        <source>PevantoType</source>
        <translation>Instrument type</translation>
    </message>
    <message>
        <source>SerialNumber</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>SoftwareInfo</source>
        <translation>Software</translation>
    </message>
    <message>
        <source>StorageFull</source>
        <translation>Full</translation>
    </message>
    <message>
        <source>TestBoostId</source>
        <translation>Test boost ID</translation>
    </message>
    <message>
        <source>TestBoostSerial</source>
        <translation>Test boost serial number</translation>
    </message>
</context>
<context>
    <name>Internal</name>
    <message>
        <source>Country</source>
        <comment>Localization information (ISO 639)</comment>
        <translation>GB</translation>
    </message>
</context>
<context>
    <name>LogfileManager</name>
    <message>
        <source>ErrorResetLogData</source>
        <translation>Unable to reset log data</translation>
    </message>
    <message>
        <source>ExportingLogToDir</source>
        <translation>Exporting log files to directory: %1</translation>
    </message>
    <message>
        <source>LogDataReset</source>
        <translation>Log data has been reset</translation>
    </message>
    <message>
        <source>SystemLogExportFailed</source>
        <translation>Export of log files at %1 failed</translation>
    </message>
    <message>
        <source>SystemLogSuccessfullyExported</source>
        <translation>System log successfully exported at %1</translation>
    </message>
</context>
<context>
    <name>MeasurementMessages</name>
    <message>
        <source>ChargingPhase</source>
        <translation>Charging phase</translation>
    </message>
    <message>
        <source>ConfirmVoltageLevels</source>
        <translation>Confirm Voltage Steps</translation>
    </message>
    <message>
        <source>ConnectToPhase</source>
        <translation>Connect to phase %1</translation>
    </message>
    <message>
        <source>ConsiderTestPhasesOneAfterAnother</source>
        <translation>Consider to test phases one after another if %L1 Hz is required</translation>
    </message>
    <message>
        <source>DiagnosisRunningOnPhase</source>
        <translation>Diagnosis running on phase %1</translation>
    </message>
    <message>
        <source>FrequencyReduced</source>
        <translation>The load only allows a reduced test frequency</translation>
    </message>
    <message>
        <source>PinpointingRunning</source>
        <translation>Pinpointing running</translation>
    </message>
    <message>
        <source>ReconnectToPhase</source>
        <translation>%1 done, reconnect to phase %2</translation>
    </message>
    <message>
        <source>TestRunning</source>
        <translation>Test running</translation>
    </message>
    <message>
        <source>TestRunningOnPhase</source>
        <translation>Test running on phase %1</translation>
    </message>
    <message>
        <source>TimeLeft</source>
        <translation>%1 left</translation>
    </message>
    <message>
        <source>ValuesLeft</source>
        <translation>%L1 value(s) left @ %L2 U&lt;sub&gt;0&lt;/sub&gt;</translation>
    </message>
</context>
<context>
    <name>MeasurementTable</name>
    <message>
        <source>PressToReturn</source>
        <translation>Press to return</translation>
    </message>
    <message>
        <source>PressToScrollTable</source>
        <translation>Press to scroll the table</translation>
    </message>
</context>
<context>
    <name>Menu</name>
    <message>
        <source>Activities</source>
        <translation>Activities</translation>
    </message>
    <message>
        <source>AdminSettings</source>
        <translation>Admin</translation>
    </message>
    <message>
        <source>CableNumber</source>
        <translation>Cable number</translation>
    </message>
    <message>
        <source>CalibrationMode</source>
        <translation>Calibration mode</translation>
    </message>
    <message>
        <source>ChangePassword</source>
        <translation>Change password</translation>
    </message>
    <message>
        <source>Commissioning</source>
        <translation>Commissioning</translation>
    </message>
    <message>
        <source>ConfigBits</source>
        <translation>Configuration bits</translation>
    </message>
    <message>
        <source>ConfigurationEditor</source>
        <translation>Configuration editor</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>Connection</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>Connections</source>
        <translation>Connections</translation>
    </message>
    <message>
        <source>Diagram</source>
        <translation>Diagram</translation>
    </message>
    <message>
        <source>EditInfo</source>
        <translation>Edit info</translation>
    </message>
    <message>
        <source>HvOff</source>
        <translation>HV off</translation>
    </message>
    <message>
        <source>HvSourceStatus</source>
        <translation>HV source status</translation>
    </message>
    <message>
        <source>IP</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Language</source>
        <comment>Localization information (ISO 3166)</comment>
        <translation>en</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>LockMenu</source>
        <translation>Lock menu</translation>
    </message>
    <message>
        <source>Measurement</source>
        <translation>Measurement</translation>
    </message>
    <message>
        <source>Overview</source>
        <translation>Overview</translation>
    </message>
    <message>
        <source>Phases</source>
        <translation>Phases</translation>
    </message>
    <message>
        <source>ServiceSettings</source>
        <translation>Service</translation>
    </message>
    <message>
        <source>SetSerialNumber</source>
        <translation>Set serial number</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Table</source>
        <translation>Table</translation>
    </message>
    <message>
        <source>TanDeltaSettings</source>
        <translation>Tan delta settings</translation>
    </message>
    <message>
        <source>TanDeltaSteps</source>
        <translation>Tan delta steps</translation>
    </message>
    <message>
        <source>Trace</source>
        <translation>Trace</translation>
    </message>
    <message>
        <source>USB</source>
        <translation>USB</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>UpdateConfiguration</source>
        <translation>Update configuration</translation>
    </message>
    <message>
        <source>VoltageSnapsNormVoltage</source>
        <translation>Snap points of the nominal voltage U0</translation>
    </message>
    <message>
        <source>VoltageSnapsTestVoltage</source>
        <translation>Snap points of the test voltage</translation>
    </message>
    <message>
        <source>AddInfo</source>
        <translation>Add info</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>Restart</source>
        <translation>Restart</translation>
    </message>
    <message>
        <source>ImportData</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>MessageLog</source>
        <translation>Message log</translation>
    </message>
    <message>
        <source>ServiceLog</source>
        <translation>Service log</translation>
    </message>
    <message>
        <source>ResetDefaultValues</source>
        <translation>Reset to default values</translation>
    </message>
    <message>
        <source>ExportConfiguration</source>
        <translation>Export configuration</translation>
    </message>
    <message>
        <source>RebootHvUnit</source>
        <translation>Reboot HV unit</translation>
    </message>
    <message>
        <source>DeleteMeasurements</source>
        <translation>Delete measurements</translation>
    </message>
    <message>
        <source>Share</source>
        <translation>Share</translation>
    </message>
    <message>
        <source>EditCable</source>
        <translation>Edit cable</translation>
    </message>
</context>
<context>
    <name>Password</name>
    <message>
        <source>MinimumPasswordLengthIs</source>
        <translation>The password needs at least %1 characters</translation>
    </message>
    <message>
        <source>PasswordsNotEqual</source>
        <translation>The passwords are not equal</translation>
    </message>
</context>
<context>
    <name>SafetyCircuit</name>
    <message>
        <source>EmergencyOff</source>
        <translation>Emergency off</translation>
    </message>
    <message>
        <source>ExtEmergencyOff</source>
        <translation>External emergency off</translation>
    </message>
    <message>
        <source>FOhm</source>
        <translation>Earthing resistance</translation>
    </message>
    <message>
        <source>HVClearanceCtrl</source>
        <translation>HV clearance control</translation>
    </message>
    <message>
        <source>HVConnector</source>
        <translation>HV connector</translation>
    </message>
    <message>
        <source>HvOn</source>
        <translation>HV on</translation>
    </message>
    <message>
        <source>InterlockKey</source>
        <translation>Interlock key</translation>
    </message>
    <message>
        <source>OvertemperatureSurrounding</source>
        <translation>Ambient overtemperature</translation>
    </message>
    <message>
        <source>SCElementUnknown</source>
        <translation>Unknown safety circuit element</translation>
    </message>
    <message>
        <source>Testboost</source>
        <translation>Test boost</translation>
    </message>
    <message>
        <source>TestboostNotReady</source>
        <translation>Boost module is not ready.</translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>Brightness</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>CurrentSerialNumber</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Dark</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>DateFormat</source>
        <translation>Date format</translation>
    </message>
    <message>
        <source>DateTime</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>GraphUpdateIntervall</source>
        <translation>Graph update interval</translation>
    </message>
    <message>
        <source>Insulations</source>
        <translation>Insulation types offered</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>LanguageFallback</source>
        <translation>English &lt;small&gt;fallback&lt;/small&gt;</translation>
    </message>
    <message>
        <source>Layout</source>
        <translation>Layout</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Light</translation>
    </message>
    <message>
        <source>NewPassword</source>
        <translation>New password</translation>
    </message>
    <message>
        <source>NewSerialNumber</source>
        <translation>New serial number</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>PhaseNames</source>
        <translation>Phase names</translation>
    </message>
    <message>
        <source>RepeatPassword</source>
        <translation>Repeat the new password</translation>
    </message>
    <message>
        <source>SetDateTime</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>Step</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>TanDeltaResolution</source>
        <translation>Tan delta resolution</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>TimeFormat</source>
        <translation>Time format</translation>
    </message>
    <message>
        <source>TimeZone</source>
        <translation>Time zone</translation>
    </message>
    <message>
        <source>WrongPassword</source>
        <translation>Wrong password</translation>
    </message>
    <message>
        <source>AskDeleteLogfiles</source>
        <translation>Do you want to delete all Logfiles?</translation>
    </message>
    <message>
        <source>AskRebootHVUnit</source>
        <translation>Do you want to reboot the HV Unit?</translation>
    </message>
    <message>
        <source>EvaluationStandards</source>
        <translation>Evaluation standards</translation>
    </message>
</context>
<context>
    <name>Statemachine</name>
    <message>
        <source>ConfirmHVOn</source>
        <translation>Switch the high voltage on</translation>
    </message>
    <message>
        <source>ConfirmHVOnSinglePhase</source>
        <translation>Switch the high voltage on for phase %1</translation>
    </message>
    <message>
        <source>Initialisation</source>
        <translation>Initialisation</translation>
    </message>
    <message>
        <source>PreparingMeasurement</source>
        <translation>Preparing measurement</translation>
    </message>
    <message>
        <source>PressGreenButton</source>
        <translation>Press the green HV on button</translation>
    </message>
    <message>
        <source>ReleaseHVOn</source>
        <translation>High voltage not switched on</translation>
    </message>
    <message>
        <source>SafetyInputOpen</source>
        <translation>Safety circuit open: %1</translation>
    </message>
    <message>
        <source>SystemPreparingMode</source>
        <translation>The system is preparing the test</translation>
    </message>
    <message>
        <source>TimeoutHVOn</source>
        <translation>The HV on button was not pressed in time. Confirm to try again.</translation>
    </message>
</context>
<context>
    <name>TanDelta</name>
    <message>
        <source>InsulationPE_XLPE</source>
        <translation>PE/XLPE</translation>
    </message>
    <message>
        <source>InsulationPILC</source>
        <translation>PILC</translation>
    </message>
    <message>
        <source>InsulationMixed</source>
        <translation>Mixed</translation>
    </message>
    <message>
        <source>InsulationEPR</source>
        <comment>Ethylene-Propylene Rubber</comment>
        <translation>EPR</translation>
    </message>
    <message>
        <source>InsulationPVC</source>
        <translation>PVC</translation>
    </message>
    <message>
        <source>InsulationTRXLPE</source>
        <translation>TR-XLPE</translation>
    </message>
    <message>
        <source>InsulationPE</source>
        <translation>PE</translation>
    </message>
    <message>
        <source>InsulationXLPE</source>
        <translation>XLPE</translation>
    </message>
    <message>
        <source>AvgTanDelta</source>
        <translation>Avg. TD</translation>
    </message>
    <message>
        <source>ResultActionRequired</source>
        <translation>action required</translation>
    </message>
    <message>
        <source>ResultFurtherStudyAdvised</source>
        <translation>further study advised</translation>
    </message>
    <message>
        <source>ResultNoActionRequired</source>
        <translation>no action required</translation>
    </message>
    <message>
        <source>ResultNoData</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>NoEvaluation</source>
        <translation>No evaluation</translation>
    </message>
    <message>
        <source>ResultEvaluationNotPossible</source>
        <translation>Evaluation not possible</translation>
    </message>
    <message>
        <source>ResultEvaluationPhaseNotMeasured</source>
        <translation>Phase not measured</translation>
    </message>
    <message>
        <source>ResultVoltageLevelsNotSupported</source>
        <translation>Volage steps not supported!</translation>
    </message>
    <message>
        <source>ResultInsulationNotSupported</source>
        <translation>Insulation not supported</translation>
    </message>
    <message>
        <source>ResultFrequencyNotSupported</source>
        <translation>Frequency not supported!</translation>
    </message>
    <message>
        <source>CriterionNone</source>
        <translation>None</translation>
    </message>
    <message>
        <source>NoEvaluationInsulationType</source>
        <translation>No evaluation possible for this insulation type</translation>
    </message>
    <message>
        <source>NoEvaluationVoltageFactors</source>
        <translation>No evaluation possible with these voltage steps</translation>
    </message>
    <message>
        <source>NoEvaluationFrequencyToLow</source>
        <translation>No evaluation possible, test frequency too low</translation>
    </message>
    <message>
        <source>ResultStringWithStandard</source>
        <translation>%1 according %2</translation>
    </message>
    <message>
        <source>StandardNotInstalled</source>
        <translation>%1 (no longer installed)</translation>
    </message>
    <message>
        <source>ImportThisTanDeltaStandard</source>
        <translation>Do you want to import this tan delta standard?</translation>
    </message>
    <message>
        <source>TanDeltaStandardImported</source>
        <translation>Tan delta standard imported.</translation>
    </message>
    <message>
        <source>TanDeltaStandardImportFailed</source>
        <translation>Import of the tan delta standard failed!</translation>
    </message>
    <message>
        <source>TanDeltaStandardNameTaken</source>
        <translation>The tan delta standard was not imported: a standard of the same name is already installed.</translation>
    </message>
    <message>
        <source>TanDeltaStandardTooLarge</source>
        <translation>The tan delta standard was not imported: the file is larger than %1 KiB.</translation>
    </message>
</context>
<context>
    <name>TestBoost</name>
    <message>
        <source>Default</source>
        <translation>Default</translation>
    </message>
</context>
<context>
    <name>TestConfiguration</name>
    <message>
        <source>AdjustCableParameter</source>
        <translation>Adjust the rated voltage U0 of the cable</translation>
    </message>
    <message>
        <source>AdjustFrequency</source>
        <translation>Adjust the test frequency</translation>
    </message>
    <message>
        <source>AdjustNominalVoltage</source>
        <translation>Adjust nominal voltage U0</translation>
    </message>
    <message>
        <source>AdjustNumberOfLevels</source>
        <translation>Adjust the number of voltage steps</translation>
    </message>
    <message>
        <source>AdjustTestFactor</source>
        <translation>Adjust the test voltage as a multiple of U0</translation>
    </message>
    <message>
        <source>AdjustTestTime</source>
        <translation>Adjust the test time</translation>
    </message>
    <message>
        <source>AdjustTestVoltage</source>
        <translation>Adjust %1 test voltage</translation>
    </message>
    <message>
        <source>AdjustValuesPerLevels</source>
        <translation>Adjust the number of values per step</translation>
    </message>
    <message>
        <source>AdjustVoltageFactor</source>
        <translation>Adjust the factor of U0</translation>
    </message>
    <message>
        <source>AdjustVoltageRange</source>
        <translation>Adjust the voltage range</translation>
    </message>
    <message>
        <source>MarkPhases</source>
        <translation>Mark the phases to test</translation>
    </message>
    <message>
        <source>PhaseProceededOneAfterAnother!</source>
        <translation>The marked phases are tested one after another.</translation>
    </message>
    <message>
        <source>SelectBurnMode</source>
        <translation>Select the burn mode</translation>
    </message>
    <message>
        <source>SelectDutyCycle</source>
        <translation>Select the duty cycle</translation>
    </message>
    <message>
        <source>SelectInsulationType</source>
        <translation>Select the cable insulation</translation>
    </message>
    <message>
        <source>SelectPolarityType</source>
        <translation>Select the polarity</translation>
    </message>
    <message>
        <source>SelectStandard</source>
        <translation>Select the evaluation standard</translation>
    </message>
    <message>
        <source>SelectVoltageInputType</source>
        <translation>Select how the voltage is entered</translation>
    </message>
    <message>
        <source>VoltageU0LimitedByLevels</source>
        <translation>U0 ends at %1 kV: the highest level, %2 × U0, stays within the maximum of %3 kV.</translation>
    </message>
</context>
<context>
    <name>TestData</name>
    <message>
        <source>Done</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>TestFailed</source>
        <translation>Test Failed</translation>
    </message>
    <message>
        <source>TestInteruptedByUser</source>
        <translation>Test interupted by user</translation>
    </message>
    <message>
        <source>TestPassed</source>
        <translation>Test passed</translation>
    </message>
    <message>
        <source>TestResultsLoaded</source>
        <translation>Test results loaded from the history</translation>
    </message>
    <message>
        <source>TestResultUnknown</source>
        <translation>Test result unknown</translation>
    </message>
    <message>
        <source>TestResultsNotSaved</source>
        <translation>No results were stored for this test: a comment cannot be added.</translation>
    </message>
    <message>
        <source>TransferringTestData</source>
        <translation>Transferring test data</translation>
    </message>
    <message>
        <source>TestResultsSaved</source>
        <translation>The test results have been saved.</translation>
    </message>
    <message>
        <source>TestResultsSavedAtUsb</source>
        <translation>The test results have been saved, also on the USB stick.</translation>
    </message>
    <message>
        <source>UseShareToExportResults</source>
        <translation>Use Share to export them.</translation>
    </message>
</context>
<context>
    <name>TestModes</name>
    <message>
        <source>Calibration</source>
        <comment>Test Mode description</comment>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>Cascade Calibration</source>
        <comment>Test Mode description</comment>
        <translation>Cascade Calibration</translation>
    </message>
    <message>
        <source>Cascade Power Envelope</source>
        <comment>Test Mode description</comment>
        <translation>Cascade Power Envelope</translation>
    </message>
    <message>
        <source>DAC</source>
        <comment>Test Mode description</comment>
        <translation>DAC</translation>
    </message>
    <message>
        <source>DC</source>
        <comment>Test Mode description</comment>
        <translation>DC</translation>
    </message>
    <message>
        <source>Decay</source>
        <comment>Test Mode description</comment>
        <translation>Decay</translation>
    </message>
    <message>
        <source>Diagnosis</source>
        <translation>Diagnosis</translation>
    </message>
    <message>
        <source>Diagnosis</source>
        <comment>Test Mode description</comment>
        <translation>Diagnosis</translation>
    </message>
    <message>
        <source>Long Duration Test</source>
        <comment>Test Mode description</comment>
        <translation>Long Duration Test</translation>
    </message>
    <message>
        <source>MWT</source>
        <translation>MWT</translation>
    </message>
    <message>
        <source>Manual Diagnosis</source>
        <comment>Test Mode description</comment>
        <translation>Manual Diagnosis</translation>
    </message>
    <message>
        <source>Max Capacity Load</source>
        <comment>Test Mode description</comment>
        <translation>Max Capacity Load</translation>
    </message>
    <message>
        <source>Monitored</source>
        <translation>Monitored</translation>
    </message>
    <message>
        <source>MWT Single</source>
        <comment>Test Mode description</comment>
        <translation>MWT Single</translation>
    </message>
    <message>
        <source>MWT Step</source>
        <comment>Test Mode description</comment>
        <translation>MWT Step</translation>
    </message>
    <message>
        <source>No mode</source>
        <comment>Test Mode description</comment>
        <translation>No mode</translation>
    </message>
    <message>
        <source>Output Calibration</source>
        <comment>Test Mode description</comment>
        <translation>Output Calibration</translation>
    </message>
    <message>
        <source>Safety Circuit Check</source>
        <comment>Test Mode description</comment>
        <translation>Safety Circuit Check</translation>
    </message>
    <message>
        <source>Service</source>
        <translation>Service</translation>
    </message>
    <message>
        <source>Sheath</source>
        <translation>Sheath</translation>
    </message>
    <message>
        <source>Sheath fault</source>
        <comment>Test Mode description</comment>
        <translation>Sheath fault</translation>
    </message>
    <message>
        <source>Sheath Pinpointing</source>
        <comment>Test Mode description</comment>
        <translation>Sheath Pinpointing</translation>
    </message>
    <message>
        <source>Sheath Test</source>
        <comment>Test Mode description</comment>
        <translation>Sheath Test</translation>
    </message>
    <message>
        <source>Sinus Diagnosis</source>
        <comment>Test Mode description</comment>
        <translation>Sinus Diagnosis</translation>
    </message>
    <message>
        <source>Tan Delta</source>
        <comment>Test Mode description</comment>
        <translation>Tan Delta</translation>
    </message>
    <message>
        <source>TanDelta Calibration</source>
        <comment>Test Mode description</comment>
        <translation>TanDelta Calibration</translation>
    </message>
    <message>
        <source>Unknown mode</source>
        <comment>Test Mode description</comment>
        <translation>Unknown mode</translation>
    </message>
    <message>
        <source>VLF CosRect</source>
        <comment>Test Mode description</comment>
        <translation>VLF CosRect</translation>
    </message>
    <message>
        <source>VLF Rectangular</source>
        <comment>Test Mode description</comment>
        <translation>VLF Rectangular</translation>
    </message>
    <message>
        <source>VLF Sine</source>
        <comment>Test Mode description</comment>
        <translation>VLF Sine</translation>
    </message>
    <message>
        <source>Voltage Waveform Check</source>
        <comment>Test Mode description</comment>
        <translation>Voltage Waveform Check</translation>
    </message>
    <message>
        <source>Withstand</source>
        <translation>Withstand</translation>
    </message>
    <message>
        <source>Withstand test</source>
        <comment>Test Mode description</comment>
        <translation>Withstand test</translation>
    </message>
    <message>
        <source>VLF and DC withstand tests</source>
        <comment>Test Mode description</comment>
        <translation>VLF and DC withstand tests</translation>
    </message>
    <message>
        <source>Tan delta and monitored withstand tests</source>
        <comment>Test Mode description</comment>
        <translation>Tan delta and monitored withstand tests</translation>
    </message>
    <message>
        <source>Sheath test and sheath fault pinpointing</source>
        <comment>Test Mode description</comment>
        <translation>Sheath test and sheath fault pinpointing</translation>
    </message>
    <message>
        <source>Commissioning and calibration</source>
        <comment>Test Mode description</comment>
        <translation>Commissioning and calibration</translation>
    </message>
    <message>
        <source>VLF rectangular withstand test</source>
        <comment>Test Mode description</comment>
        <translation>VLF rectangular withstand test</translation>
    </message>
    <message>
        <source>VLF cosine-rectangular withstand test</source>
        <comment>Test Mode description</comment>
        <translation>VLF cosine-rectangular withstand test</translation>
    </message>
    <message>
        <source>DC withstand test</source>
        <comment>Test Mode description</comment>
        <translation>DC withstand test</translation>
    </message>
    <message>
        <source>Damped AC test</source>
        <comment>Test Mode description</comment>
        <translation>Damped AC test</translation>
    </message>
    <message>
        <source>Cable sheath test</source>
        <comment>Test Mode description</comment>
        <translation>Cable sheath test</translation>
    </message>
    <message>
        <source>VLF sine withstand test</source>
        <comment>Test Mode description</comment>
        <translation>VLF sine withstand test</translation>
    </message>
    <message>
        <source>Tan delta step test</source>
        <comment>Test Mode description</comment>
        <translation>Tan delta step test</translation>
    </message>
    <message>
        <source>Monitored withstand test</source>
        <comment>Test Mode description</comment>
        <translation>Monitored withstand test</translation>
    </message>
    <message>
        <source>Monitored withstand test in voltage steps</source>
        <comment>Test Mode description</comment>
        <translation>Monitored withstand test in voltage steps</translation>
    </message>
    <message>
        <source>Decay test</source>
        <comment>Test Mode description</comment>
        <translation>Decay test</translation>
    </message>
    <message>
        <source>Sheath fault pinpointing</source>
        <comment>Test Mode description</comment>
        <translation>Sheath fault pinpointing</translation>
    </message>
    <message>
        <source>Safety circuit check</source>
        <comment>Test Mode description</comment>
        <translation>Safety circuit check</translation>
    </message>
    <message>
        <source>Output voltage calibration</source>
        <comment>Test Mode description</comment>
        <translation>Output voltage calibration</translation>
    </message>
    <message>
        <source>Cascade calibration</source>
        <comment>Test Mode description</comment>
        <translation>Cascade calibration</translation>
    </message>
    <message>
        <source>Voltage waveform check</source>
        <comment>Test Mode description</comment>
        <translation>Voltage waveform check</translation>
    </message>
    <message>
        <source>Tan delta calibration</source>
        <comment>Test Mode description</comment>
        <translation>Tan delta calibration</translation>
    </message>
    <message>
        <source>Maximum capacitive load</source>
        <comment>Test Mode description</comment>
        <translation>Maximum capacitive load</translation>
    </message>
    <message>
        <source>Cascade power envelope</source>
        <comment>Test Mode description</comment>
        <translation>Cascade power envelope</translation>
    </message>
    <message>
        <source>Long duration test</source>
        <comment>Test Mode description</comment>
        <translation>Long duration test</translation>
    </message>
    <message>
        <source>Sine diagnosis</source>
        <comment>Test Mode description</comment>
        <translation>Sine diagnosis</translation>
    </message>
    <message>
        <source>Manual diagnosis</source>
        <comment>Test Mode description</comment>
        <translation>Manual diagnosis</translation>
    </message>
    <message>
        <source>SelectCalibration</source>
        <translation>Select a procedure</translation>
    </message>
    <message>
        <source>SelectDiagnosisTest</source>
        <translation>Select a diagnosis test</translation>
    </message>
    <message>
        <source>SelectSheathTest</source>
        <translation>Select a sheath test</translation>
    </message>
    <message>
        <source>SelectWithstandTest</source>
        <translation>Select a withstand test</translation>
    </message>
    <message>
        <source>VLFRectangular</source>
        <comment>Test Mode description</comment>
        <translation>VLF Rectangular</translation>
    </message>
    <message>
        <source>VLFCosRect</source>
        <comment>Test Mode description</comment>
        <translation>VLF CosRect</translation>
    </message>
    <message>
        <source>SheathTest</source>
        <comment>Test Mode description</comment>
        <translation>Sheath Test</translation>
    </message>
    <message>
        <source>VLFSine</source>
        <comment>Test Mode description</comment>
        <translation>VLF Sine</translation>
    </message>
    <message>
        <source>TanDelta</source>
        <comment>Test Mode description</comment>
        <translation>Tan Delta</translation>
    </message>
    <message>
        <source>MWTSingle</source>
        <comment>Test Mode description</comment>
        <translation>MWT Single</translation>
    </message>
    <message>
        <source>MWTStep</source>
        <comment>Test Mode description</comment>
        <translation>MWT Step</translation>
    </message>
    <message>
        <source>SheathPinpointing</source>
        <comment>Test Mode description</comment>
        <translation>Sheath Pinpointing</translation>
    </message>
    <message>
        <source>LongDurationTest</source>
        <comment>Test Mode description</comment>
        <translation>Long Duration Test</translation>
    </message>
</context>
<context>
    <name>TestParameters</name>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>BurnMode</source>
        <translation>Burn mode</translation>
    </message>
    <message>
        <source>Capacitance</source>
        <translation>Capacitance</translation>
    </message>
    <message>
        <source>Current</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>DC+</source>
        <translation>DC+</translation>
    </message>
    <message>
        <source>DC-</source>
        <translation>DC-</translation>
    </message>
    <message>
        <source>DutyCycle</source>
        <translation>Duty cycle</translation>
    </message>
    <message>
        <source>Factor</source>
        <translation>Factor</translation>
    </message>
    <message>
        <source>FactorU0</source>
        <translation>Factor of U0</translation>
    </message>
    <message>
        <source>Frequency</source>
        <translation>Frequency</translation>
    </message>
    <message>
        <source>Insulation</source>
        <translation>Insulation</translation>
    </message>
    <message>
        <source>Leakage</source>
        <translation>Leakage current</translation>
    </message>
    <message>
        <source>Levels</source>
        <translation>Levels</translation>
    </message>
    <message>
        <source>MaxCurrent</source>
        <translation>Max. current</translation>
    </message>
    <message>
        <source>NumberLevels</source>
        <translation>Voltage steps</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>On</source>
        <translation>On</translation>
    </message>
    <message>
        <source>PEAK</source>
        <translation>PEAK</translation>
    </message>
    <message>
        <source>Phase</source>
        <translation>Phase</translation>
    </message>
    <message>
        <source>Polarity</source>
        <translation>Polarity</translation>
    </message>
    <message>
        <source>RMS</source>
        <translation>RMS</translation>
    </message>
    <message>
        <source>RampAuto</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>RampManual</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>RampMode</source>
        <translation>Voltage ramp</translation>
    </message>
    <message>
        <source>Range</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>Resistance</source>
        <translation>Resistance</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>TanDelta</source>
        <translation>Tan delta</translation>
    </message>
    <message>
        <source>TanDeltaE-3</source>
        <translation>TANδ (1E-3)</translation>
    </message>
    <message>
        <source>TestTime</source>
        <translation>Test time</translation>
    </message>
    <message>
        <source>TestVoltage</source>
        <translation>Test voltage</translation>
    </message>
    <message>
        <source>ValuesLevels</source>
        <translation>Values per step</translation>
    </message>
    <message>
        <source>Voltage</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <source>VoltageInput</source>
        <translation>Voltage input</translation>
    </message>
    <message>
        <source>VoltageRMS</source>
        <translation>U&lt;sub&gt;RMS&lt;/sub&gt;</translation>
    </message>
    <message>
        <source>VoltageU0</source>
        <translation>Voltage U0</translation>
    </message>
</context>
<context>
    <name>TestResult</name>
    <message>
        <source>BreakdownDetectedAt</source>
        <translation>Breakdown detected at %1</translation>
    </message>
    <message>
        <source>NotLoadable</source>
        <translation>Not loadable</translation>
    </message>
    <message>
        <source>OutputVoltageNotStable</source>
        <translation>Output voltage not stable</translation>
    </message>
    <message>
        <source>OverCurrentDetected</source>
        <translation>Over current detected</translation>
    </message>
    <message>
        <source>OverCurrentDetectedAt</source>
        <translation>Over current detected at %1</translation>
    </message>
    <message>
        <source>OverVoltageDetectedAt</source>
        <translation>Over voltage detected at %1</translation>
    </message>
    <message>
        <source>SafetyCircuitEvent</source>
        <translation>Safety circuit event</translation>
    </message>
    <message>
        <source>TimeoutLoadDetection</source>
        <translation>Timeout while load detection</translation>
    </message>
</context>
<context>
    <name>Testboost</name>
    <message>
        <source>MaintDateSuccessfullySet</source>
        <translation>Maintenance date successfully set.</translation>
    </message>
    <message>
        <source>UnableToSetMaintDate</source>
        <translation>Unable to set the maintenance date!</translation>
    </message>
    <message>
        <source>UnknownTestBoostDevice</source>
        <translation>Unknown test boost device!</translation>
    </message>
</context>
<context>
    <name>Units</name>
    <message>
        <source>F</source>
        <comment>farad</comment>
        <translation>F</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>ValueHours</source>
        <comment>value with unit hours</comment>
        <translation>%L1 h</translation>
    </message>
    <message>
        <source>ValueMinutes</source>
        <comment>value with unit minutes</comment>
        <translation>%L1 min</translation>
    </message>
    <message>
        <source>ValueSeconds</source>
        <comment>value with unit seconds</comment>
        <translation>%L1 sec</translation>
    </message>
    <message>
        <source>kV</source>
        <comment>unit kilo volt</comment>
        <translation>kV</translation>
    </message>
    <message>
        <source>min</source>
        <comment>unit minutes</comment>
        <translation>min</translation>
    </message>
</context>
<context>
    <name>UpdateManager</name>
    <message>
        <source>AllLanguages</source>
        <translation>All languages</translation>
    </message>
    <message>
        <source>ConfigOnlyAtTop</source>
        <translation>Configuration files can be imported only from the top folder of the USB flash drive.</translation>
    </message>
    <message>
        <source>CrcError</source>
        <translation>CRC error!</translation>
    </message>
    <message>
        <source>DowngradeToOlderVersion</source>
        <translation>The %1 version is older than the currently installed version. You are about to downgrade your system!</translation>
    </message>
    <message>
        <source>ExtractingSoftwarePackage</source>
        <translation>Extracting software package...</translation>
    </message>
    <message>
        <source>IsExportFolder</source>
        <translation>Is the export folder</translation>
    </message>
    <message>
        <source>LanguageFileDamaged</source>
        <translation>The language file %1 cannot be loaded. The package was not installed; the installed language is kept.</translation>
    </message>
    <message>
        <source>NoDataOnUsbFound</source>
        <translation>No data found on the USB flash drive.</translation>
    </message>
    <message>
        <source>NoUsbFound</source>
        <translation>No USB flash drive found.</translation>
    </message>
    <message>
        <source>NotEnoughMemoryForLanguageUpdate</source>
        <translation>Not enough memory for the language update!</translation>
    </message>
    <message>
        <source>NoUpdateDirFoundOnUsb</source>
        <translation>No update folder found on the USB flash drive!</translation>
    </message>
    <message>
        <source>NoUpdatesFoundOnUsb</source>
        <translation>No updates found on the USB flash drive!</translation>
    </message>
    <message>
        <source>ReadingUsbFolder</source>
        <translation>Reading the USB flash drive...</translation>
    </message>
    <message>
        <source>SearchingForUpdatesOnUsb</source>
        <translation>Searching for updates on USB flash drive</translation>
    </message>
    <message>
        <source>StandbyWhileRebooting</source>
        <translation>Please standby while the system is rebooting...</translation>
    </message>
    <message>
        <source>TakeAWhile</source>
        <translation>This may take a while...</translation>
    </message>
    <message>
        <source>TopIsNoExportFolder</source>
        <translation>The top folder of the USB flash drive cannot be the export folder. Open a folder first.</translation>
    </message>
    <message>
        <source>UpdateFailed</source>
        <translation>Update failed! %1</translation>
    </message>
    <message>
        <source>UpdateSuccessful</source>
        <translation>Update successfully executed.</translation>
    </message>
    <message>
        <source>Updating</source>
        <translation>Updating</translation>
    </message>
    <message>
        <source>UpdatingLanguage</source>
        <translation>Updating language: %1</translation>
    </message>
    <message>
        <source>UseForExport</source>
        <translation>Use for export</translation>
    </message>
    <message>
        <source>WritingUpdateToFlash</source>
        <translation>Writing update to flash.</translation>
    </message>
    <message>
        <source>PerformThisUpdate</source>
        <translation>Do you want to perform this update?</translation>
    </message>
</context>
<context>
    <name>WLAN</name>
    <message>
        <source>AdHoc</source>
        <translation>Ad hoc</translation>
    </message>
    <message>
        <source>CantConnectToWlan</source>
        <translation>Could not connect to the WLAN!</translation>
    </message>
    <message>
        <source>Infrastructure</source>
        <translation>Infrastructure</translation>
    </message>
    <message>
        <source>LostConnectionToWlan</source>
        <translation>The WLAN connection was lost!</translation>
    </message>
    <message>
        <source>NetworkMode</source>
        <translation>Network mode</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>SearchNetworks</source>
        <translation>Search for networks</translation>
    </message>
    <message>
        <source>Ssid</source>
        <translation>Network name (SSID)</translation>
    </message>
    <message>
        <source>TryToConnectToWlan</source>
        <translation>Connecting to the WLAN...</translation>
    </message>
    <message>
        <source>WlanConnectionEstablished</source>
        <translation>Connected to the WLAN.</translation>
    </message>
    <message>
        <source>connected</source>
        <translation>connected</translation>
    </message>
    <message>
        <source>searching</source>
        <translation>Searching...</translation>
    </message>
</context>
</TS>
