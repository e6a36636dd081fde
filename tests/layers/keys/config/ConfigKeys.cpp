namespace {
constexpr char kInsulations[] = "/Settings/Insulations/";
}
