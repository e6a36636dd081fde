.pragma library

// Numbers typed into the configuration editor. The whole text must be the number:
// JavaScript's own parsers take "12x" as 12, "" as 0 and accept NaN and Infinity.

function parseLong(text) {
    var t = String(text).trim()
    if (!/^[+-]?[0-9]+$/.test(t))
        return { "ok": false, "value": 0 }
    var value = Number(t)
    return { "ok": Number.isSafeInteger(value), "value": value }
}

function parseDouble(text) {
    var t = String(text).trim()
    if (!/^[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?$/.test(t))
        return { "ok": false, "value": 0 }
    var value = Number(t)
    return { "ok": isFinite(value), "value": value }
}

// The text a row shows for a stored value.
function valueText(entry) {
    if (entry.value === undefined)
        return ""
    if (entry.type === 1 || entry.type === 5)
        return entry.value ? "1" : "0"
    return String(entry.value)
}
