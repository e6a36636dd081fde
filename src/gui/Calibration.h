#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QList>
#include <QObject>
#include <QString>

// The HV unit's calibration values and configuration bits. It holds nothing of its own:
// reads ask the data model's cached parameters and convert the raw value to the unit
// shown; writes leave as hvUnitParamChanged with the raw value, and the new value comes
// back through onHvUnitParamChanged.
class Calibration : public QObject {
    Q_OBJECT
    Q_PROPERTY(double gainU READ gainU WRITE setGainU NOTIFY gainUChanged)
    Q_PROPERTY(double gainI READ gainI WRITE setGainI NOTIFY gainIChanged)
    Q_PROPERTY(double ldCalibration READ ldCalibration WRITE setLdCalibration NOTIFY ldCalibrationChanged)
    Q_PROPERTY(double hvProtection READ hvProtection WRITE setHvProtection NOTIFY hvProtectionChanged)
    Q_PROPERTY(double cErdCalibration READ cErdCalibration WRITE setCErdCalibration NOTIFY cErdCalibrationChanged)
    Q_PROPERTY(double rErdCalibration READ rErdCalibration WRITE setRErdCalibration NOTIFY rErdCalibrationChanged)
    Q_PROPERTY(double cHvOutput READ cHvOutput WRITE setCHvOutput NOTIFY cHvOutputChanged)
    Q_PROPERTY(double rHvOutput READ rHvOutput WRITE setRHvOutput NOTIFY rHvOutputChanged)
    Q_PROPERTY(double gainPFC READ gainPFC WRITE setGainPFC NOTIFY gainPFCChanged)
    Q_PROPERTY(double gainHvpU READ gainHvpU WRITE setGainHvpU NOTIFY gainHvpUChanged)
    Q_PROPERTY(double offsetHvpU READ offsetHvpU WRITE setOffsetHvpU NOTIFY offsetHvpUChanged)
    Q_PROPERTY(double gainHvnU READ gainHvnU WRITE setGainHvnU NOTIFY gainHvnUChanged)
    Q_PROPERTY(double offsetHvnU READ offsetHvnU WRITE setOffsetHvnU NOTIFY offsetHvnUChanged)
    Q_PROPERTY(double gainHvpI READ gainHvpI WRITE setGainHvpI NOTIFY gainHvpIChanged)
    Q_PROPERTY(double offsetHvpI READ offsetHvpI WRITE setOffsetHvpI NOTIFY offsetHvpIChanged)
    Q_PROPERTY(double gainHvnI READ gainHvnI WRITE setGainHvnI NOTIFY gainHvnIChanged)
    Q_PROPERTY(double offsetHvnI READ offsetHvnI WRITE setOffsetHvnI NOTIFY offsetHvnIChanged)
    Q_PROPERTY(double hvGeneratorChar READ hvGeneratorChar WRITE setHvGeneratorChar NOTIFY hvGeneratorCharChanged)
    Q_PROPERTY(double tanDeltaReal1 READ tanDeltaReal1 WRITE setTanDeltaReal1 NOTIFY tanDeltaReal1Changed)
    Q_PROPERTY(double tanDeltaImag1 READ tanDeltaImag1 WRITE setTanDeltaImag1 NOTIFY tanDeltaImag1Changed)
    Q_PROPERTY(double tanDeltaReal2 READ tanDeltaReal2 WRITE setTanDeltaReal2 NOTIFY tanDeltaReal2Changed)
    Q_PROPERTY(double tanDeltaImag2 READ tanDeltaImag2 WRITE setTanDeltaImag2 NOTIFY tanDeltaImag2Changed)
    Q_PROPERTY(bool limitPwm READ limitPwm WRITE setLimitPwm NOTIFY limitPwmChanged)
    Q_PROPERTY(bool loadDetection READ loadDetection WRITE setLoadDetection NOTIFY loadDetectionChanged)
    Q_PROPERTY(bool bridgeCircuit READ bridgeCircuit WRITE setBridgeCircuit NOTIFY bridgeCircuitChanged)
    Q_PROPERTY(bool tanDeltaCalib READ tanDeltaCalib WRITE setTanDeltaCalib NOTIFY tanDeltaCalibChanged)
    Q_PROPERTY(bool crossCurrentIncrease READ crossCurrentIncrease WRITE setCrossCurrentIncrease
                   NOTIFY crossCurrentIncreaseChanged)
    Q_PROPERTY(QString hvUnitStatus READ hvUnitStatus NOTIFY hvUnitStatusChanged)
    Q_PROPERTY(QString hvUnitError READ hvUnitError NOTIFY hvUnitErrorChanged)
    Q_PROPERTY(QString ignition READ ignition NOTIFY ignitionChanged)
public:
    // Bits of the HV unit's settings word (parameter 20); only the low five are used.
    enum ConfigBit : quint64 {
        LoadDetectionBit = 1,
        BridgeCircuitBit = 2,
        LimitPwmBit = 4,
        TanDeltaCalibBit = 8,
        CrossCurrentIncreaseBit = 16,
        ConfigBitsMask = 31,
    };

    explicit Calibration(QObject* parent = nullptr);

    // The raw value of a parameter as shown (NaN for a value never received), and back.
    // toRaw rounds to the nearest step and keeps to the parameter's range; false for a
    // value that is not a number.
    static double fromRaw(eHVUnitParamType type, quint64 raw);
    static bool toRaw(eHVUnitParamType type, double value, quint64* raw);

    double gainU() const { return value(eHVUnitParamType_GainU); }
    double gainI() const { return value(eHVUnitParamType_GainI); }
    double ldCalibration() const { return value(eHVUnitParamType_LoadDetectionCalibration); }
    double hvProtection() const { return value(eHVUnitParamType_ProtectionResistor); }
    double cErdCalibration() const { return value(eHVUnitParamType_EarthingCapacity); }
    double rErdCalibration() const { return value(eHVUnitParamType_EarthingResistance); }
    double cHvOutput() const { return value(eHVUnitParamType_CalibrationC_HVCable); }
    double rHvOutput() const { return value(eHVUnitParamType_CalibrationR_HVCable); }
    double gainPFC() const { return value(eHVUnitParamType_GainPFC); }
    double gainHvpU() const { return value(eHVUnitParamType_GainU_HVP); }
    double offsetHvpU() const { return value(eHVUnitParamType_OffsetU_HVP); }
    double gainHvnU() const { return value(eHVUnitParamType_GainU_HVN); }
    double offsetHvnU() const { return value(eHVUnitParamType_OffsetU_HVN); }
    double gainHvpI() const { return value(eHVUnitParamType_GainI_HVP); }
    double offsetHvpI() const { return value(eHVUnitParamType_OffsetI_HVP); }
    double gainHvnI() const { return value(eHVUnitParamType_GainI_HVN); }
    double offsetHvnI() const { return value(eHVUnitParamType_OffsetI_HVN); }
    double hvGeneratorChar() const { return value(eHVUnitParamType_HvSinParameterHvGeneratorCharacteristics); }
    double tanDeltaReal1() const { return value(eHVUnitParamType_TanDeltaReal1); }
    double tanDeltaImag1() const { return value(eHVUnitParamType_TanDeltaImag1); }
    double tanDeltaReal2() const { return value(eHVUnitParamType_TanDeltaReal2); }
    double tanDeltaImag2() const { return value(eHVUnitParamType_TanDeltaImag2); }

    void setGainU(double v) { write(eHVUnitParamType_GainU, v); }
    void setGainI(double v) { write(eHVUnitParamType_GainI, v); }
    void setLdCalibration(double v) { write(eHVUnitParamType_LoadDetectionCalibration, v); }
    void setHvProtection(double v) { write(eHVUnitParamType_ProtectionResistor, v); }
    void setCErdCalibration(double v) { write(eHVUnitParamType_EarthingCapacity, v); }
    void setRErdCalibration(double v) { write(eHVUnitParamType_EarthingResistance, v); }
    void setCHvOutput(double v) { write(eHVUnitParamType_CalibrationC_HVCable, v); }
    void setRHvOutput(double v) { write(eHVUnitParamType_CalibrationR_HVCable, v); }
    void setGainPFC(double v) { write(eHVUnitParamType_GainPFC, v); }
    void setGainHvpU(double v) { write(eHVUnitParamType_GainU_HVP, v); }
    void setOffsetHvpU(double v) { write(eHVUnitParamType_OffsetU_HVP, v); }
    void setGainHvnU(double v) { write(eHVUnitParamType_GainU_HVN, v); }
    void setOffsetHvnU(double v) { write(eHVUnitParamType_OffsetU_HVN, v); }
    void setGainHvpI(double v) { write(eHVUnitParamType_GainI_HVP, v); }
    void setOffsetHvpI(double v) { write(eHVUnitParamType_OffsetI_HVP, v); }
    void setGainHvnI(double v) { write(eHVUnitParamType_GainI_HVN, v); }
    void setOffsetHvnI(double v) { write(eHVUnitParamType_OffsetI_HVN, v); }
    void setHvGeneratorChar(double v) { write(eHVUnitParamType_HvSinParameterHvGeneratorCharacteristics, v); }
    void setTanDeltaReal1(double v) { write(eHVUnitParamType_TanDeltaReal1, v); }
    void setTanDeltaImag1(double v) { write(eHVUnitParamType_TanDeltaImag1, v); }
    void setTanDeltaReal2(double v) { write(eHVUnitParamType_TanDeltaReal2, v); }
    void setTanDeltaImag2(double v) { write(eHVUnitParamType_TanDeltaImag2, v); }

    bool limitPwm() const { return bit(LimitPwmBit); }
    bool loadDetection() const { return bit(LoadDetectionBit); }
    bool bridgeCircuit() const { return bit(BridgeCircuitBit); }
    bool tanDeltaCalib() const { return bit(TanDeltaCalibBit); }
    bool crossCurrentIncrease() const { return bit(CrossCurrentIncreaseBit); }
    void setLimitPwm(bool on) { writeBit(LimitPwmBit, on); }
    void setLoadDetection(bool on) { writeBit(LoadDetectionBit, on); }
    void setBridgeCircuit(bool on) { writeBit(BridgeCircuitBit, on); }
    void setTanDeltaCalib(bool on) { writeBit(TanDeltaCalibBit, on); }
    void setCrossCurrentIncrease(bool on) { writeBit(CrossCurrentIncreaseBit, on); }

    QString hvUnitStatus() const;
    QString hvUnitError() const;
    QString ignition() const;

    // Asks for every parameter to be read again from the HV unit.
    Q_INVOKABLE void refresh();

public slots:
    void onHvUnitParamChanged(eHVUnitParamType type, qulonglong value);

signals:
    void gainUChanged();
    void gainIChanged();
    void ldCalibrationChanged();
    void hvProtectionChanged();
    void cErdCalibrationChanged();
    void rErdCalibrationChanged();
    void cHvOutputChanged();
    void rHvOutputChanged();
    void gainPFCChanged();
    void gainHvpUChanged();
    void offsetHvpUChanged();
    void gainHvnUChanged();
    void offsetHvnUChanged();
    void gainHvpIChanged();
    void offsetHvpIChanged();
    void gainHvnIChanged();
    void offsetHvnIChanged();
    void hvGeneratorCharChanged();
    void tanDeltaReal1Changed();
    void tanDeltaImag1Changed();
    void tanDeltaReal2Changed();
    void tanDeltaImag2Changed();
    void limitPwmChanged();
    void loadDetectionChanged();
    void bridgeCircuitChanged();
    void tanDeltaCalibChanged();
    void crossCurrentIncreaseChanged();
    void hvUnitStatusChanged();
    void hvUnitErrorChanged();
    void ignitionChanged();
    void refreshHVUnitParams(QList<eHVUnitParamType> list);
    void hvUnitParamChanged(eHVUnitParamType type, qulonglong value);

private:
    static quint64 raw(eHVUnitParamType type);
    double value(eHVUnitParamType type) const { return fromRaw(type, raw(type)); }
    void write(eHVUnitParamType type, double value);
    bool bit(quint64 mask) const;
    void writeBit(quint64 mask, bool on);
};
