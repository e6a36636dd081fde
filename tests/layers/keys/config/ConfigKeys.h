namespace ConfigKeys {
inline constexpr char Theme[] = "/Settings/Theme";
inline constexpr char GeneratorCharacteristics[] = "/HV Identification/HvGeneratorCharacteristics";
} // namespace ConfigKeys
