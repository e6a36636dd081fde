<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB">
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
</context>
</TS>
