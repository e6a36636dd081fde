.pragma library

// Keyboard layout for the native name of a user-interface language. Names are listed
// both correctly and in the ASCII-folded form older language files carry.
var table = {
    "Deutsch": "de_DE",
    "汉语": "zh_CN",
    "漢語": "zh_TW",
    "한국말": "ko_KR",
    "Čeština": "cs_CZ",
    "Ceština": "cs_CZ",
    "Nederlands": "nl_NL",
    "Français": "fr_FR",
    "Magyar": "hu_HU",
    "Italiano": "it_IT",
    "Norsk": "nb_NO",
    "Polski": "pl_PL",
    "Română": "ro_RO",
    "Româna": "ro_RO",
    "Русский": "ru_RU",
    "Slovenčina": "sk_SK",
    "Slovencina": "sk_SK",
    "Slovenščina": "sl_SI",
    "Slovenšcina": "sl_SI",
    "Español": "es_ES",
    "Svenska": "sv_SE",
    "Tiếng Việt": "vi_VN"
}

function forLanguage(nativeName) {
    var locale = table[nativeName]
    return locale !== undefined ? locale : "en_GB"
}
