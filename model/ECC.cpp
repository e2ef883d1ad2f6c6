#include "ECC.h"

std::atomic<bool> langGerman{true};

namespace {

struct EccRow
{
    const char *iso;
    u8 ecc;
    u8 area;
    const char *ci;
    const char *nameEN; // UTF-8
    const char *nameDE; // UTF-8, "" when none
};

// Country codes after IEC 62106 Annex D (ECC and PI country identifier),
// with the world areas of the country search and names in both languages.
// Order matters: lookups answer in table order.
// clang-format off
constexpr EccRow kRows[] = {
    {"AD", 0xE0, 0x01, "3", "Andorra", ""},
    {"AE", 0xF2, 0x08, "D", "United Arab Emirates", "Vereinigte Arabische Emirate"},
    {"AF", 0xF0, 0x10, "A", "Afghanistan", ""},
    {"AG", 0xA2, 0x44, "2", "Antigua & Barbuda", ""},
    {"AI", 0xA2, 0x44, "1", "Anguilla", ""},
    {"AL", 0xE0, 0x01, "9", "Albania", "Albanien"},
    {"AM", 0xE4, 0x08, "A", "Armenia", "Armenien"},
    {"AN", 0xA2, 0x44, "D", "Netherlands Antilles", "Niederländische Antillen"},
    {"AO", 0xD0, 0x02, "6", "Angola", ""},
    {"AO", 0xD3, 0x02, "4", "Cabinda (Angola)", ""},
    {"AR", 0xA2, 0x04, "A", "Argentina", "Argentinien"},
    {"AT", 0xE0, 0x01, "A", "Austria", "Österreich"},
    {"AU", 0xF0, 0x20, "1", "Australia Capital", "Hauptstadtregion"},
    {"AU", 0xF0, 0x20, "2", "Australia New South Wales", "Neusüdwales"},
    {"AU", 0xF0, 0x20, "3", "Australia Victoria", ""},
    {"AU", 0xF0, 0x20, "4", "Australia Queensland", ""},
    {"AU", 0xF0, 0x20, "5", "Australia South", ""},
    {"AU", 0xF0, 0x20, "6", "Australia Western", ""},
    {"AU", 0xF0, 0x20, "7", "Australia Tasmania", "Tasmanien"},
    {"AU", 0xF0, 0x20, "8", "Australia Northern", ""},
    {"AW", 0xA4, 0x44, "3", "Aruba", ""},
    {"AZ", 0xE3, 0x09, "B", "Azerbaijan", "Aserbaidschan"},
    {"BA", 0xE4, 0x01, "F", "Bosnia Herzegovina", "Bosnien-Herzegowina"},
    {"BB", 0xA2, 0x44, "5", "Barbados", ""},
    {"BD", 0xF1, 0x10, "3", "Bangladesh", ""},
    {"BE", 0xE0, 0x01, "6", "Belgium", "Belgien"},
    {"BF", 0xD0, 0x02, "B", "Burkina Faso", ""},
    {"BG", 0xE1, 0x01, "8", "Bulgaria", "Bulgarien"},
    {"BH", 0xF0, 0x48, "E", "Bahrein", ""},
    {"BI", 0xD1, 0x02, "9", "Burundi", ""},
    {"BJ", 0xD0, 0x02, "E", "Benin", ""},
    {"BM", 0xA2, 0x44, "C", "Bermuda", ""},
    {"BN", 0xF1, 0x50, "B", "Brunei Darussalam", ""},
    {"BO", 0xA3, 0x04, "1", "Bolivia", "Bolivien"},
    {"BR", 0xA2, 0x04, "3BCD", "Brazil", "Brasilien"},
    {"BS", 0xA2, 0x44, "F", "Bahamas", ""},
    {"BT", 0xF1, 0x10, "2", "Bhutan", ""},
    {"BW", 0xD1, 0x02, "B", "Botswana", ""},
    {"BY", 0xE3, 0x01, "F", "Belarus", "Weißrussland"},
    {"BZ", 0xA2, 0x04, "6", "Belize", ""},
    {"CA", 0xA1, 0x04, "BCDE", "Canada", "Kanada"},
    {"CF", 0xD0, 0x02, "2", "Central African Republic", "Zentralafrika"},
    {"CD", 0xD2, 0x02, "B", "Congo (Democratic Republic of)", "DR Kongo (Zaire)"},
    {"CG", 0xD0, 0x02, "C", "Congo (Republic of)", "Republik Kongo"},
    {"CH", 0xE1, 0x01, "4", "Switzerland", "Schweiz"},
    {"CI", 0xD2, 0x02, "C", "Cote d'Ivoire", "Elfenbeinküste"},
    {"CL", 0xA3, 0x04, "C", "Chile", ""},
    {"CM", 0xD0, 0x02, "1", "Cameroon", "Kamerun"},
    {"CN", 0xF0, 0x10, "C", "China", ""},
    {"CN", 0xF3, 0x10, "8", "China", ""},
    {"CN", 0xF4, 0x10, "9", "China", ""},
    {"CO", 0xA3, 0x04, "2", "Colombia", "Kolumbien"},
    {"CR", 0xA2, 0x04, "8", "Costa Rica", ""},
    {"CU", 0xA2, 0x44, "9", "Cuba", "Kuba"},
    {"CV", 0xD1, 0x42, "6", "Cape Verde", "Kapverdische Inseln"},
    {"CY", 0xE1, 0x49, "2", "Cyprus", "Zypern"},
    {"CZ", 0xE2, 0x01, "2", "Czech Republic", "Tschechische Republik"},
    {"DE", 0xE0, 0x01, "D1", "Germany", "Deutschland"},
    {"DJ", 0xD0, 0x02, "3", "Djibouti", "Dschibuti"},
    {"DK", 0xE1, 0x01, "9", "Denmark", "Dänemark"},
    {"DK", 0xE1, 0x41, "9", "Faroe (Denmark)", "Färöer"},
    {"DM", 0xA3, 0x44, "A", "Dominica", ""},
    {"DO", 0xA3, 0x44, "B", "Dominican Republic", "Dominikanische Republik"},
    {"DZ", 0xE0, 0x02, "2", "Algeria", "Algerien"},
    {"EC", 0xA2, 0x04, "3", "Ecuador", "Ekuador"},
    {"EE", 0xE4, 0x01, "2", "Estonia", "Estland"},
    {"EG", 0xE0, 0x0A, "F", "Egypt", "Ägypten"},
    {"EH", 0xD3, 0x02, "3", "Western Sahara", ""},
    {"ER", 0xD2, 0x02, "F", "Eritrea", ""},
    {"ES", 0xE2, 0x43, "E", "Canaries (Spain)", "Kanarische Inseln"},
    {"ES", 0xE2, 0x01, "E", "Spain", "Spanien"},
    {"ET", 0xD1, 0x02, "E", "Ethiopia", "Äthiopien"},
    {"FI", 0xE1, 0x01, "6", "Finland", "Finnland"},
    {"FJ", 0xF1, 0x60, "5", "Fiji", "Fidschi"},
    {"FK", 0xA2, 0x44, "4", "Falkland Islands", "Falklandinseln"},
    {"FM", 0xF3, 0x40, "E", "Micronesia", "Mikronesien"},
    {"FR", 0xE1, 0x01, "F", "France", "Frankreich"},
    {"GA", 0xD0, 0x02, "8", "Gabon", "Gabun"},
    {"GB", 0xE1, 0x41, "C", "United Kingdom (UK)", "Vereinigtes Königreich"},
    {"GD", 0xA3, 0x44, "D", "Grenada", ""},
    {"GE", 0xE4, 0x09, "C", "Georgia", "Georgien"},
    {"GF", 0xA3, 0x04, "5", "French Guiana", "Französisch-Guyana"},
    {"GH", 0xD1, 0x02, "3", "Ghana", ""},
    {"GI", 0xE1, 0x01, "A", "Gibraltar (UK)", ""},
    {"GL", 0xA1, 0x45, "F", "Greenland", "Grönland"},
    {"GM", 0xD1, 0x02, "8", "Gambia", ""},
    {"GN", 0xD0, 0x02, "9", "Guinea", ""},
    {"GP", 0xA2, 0x44, "E", "Guadeloupe (Gwada)", ""},
    {"GQ", 0xD0, 0x02, "7", "Equatorial Guinea", "Äquatorialguinea"},
    {"GR", 0xE1, 0x01, "1", "Greece", "Griechenland"},
    {"GT", 0xA4, 0x04, "1", "Guatemala", ""},
    {"GW", 0xD2, 0x02, "A", "Guinea-Bissau", ""},
    {"GY", 0xA3, 0x04, "F", "Guyana", ""},
    {"HK", 0xF1, 0x50, "F", "Hong Kong", ""},
    {"HN", 0xA4, 0x04, "2", "Honduras", ""},
    {"HR", 0xE3, 0x01, "C", "Croatia", "Kroatien"},
    {"HT", 0xA4, 0x44, "D", "Haiti", ""},
    {"HU", 0xE0, 0x01, "B", "Hungary", "Ungarn"},
    {"ID", 0xF2, 0x50, "C", "Indonesia", ""},
    {"IE", 0xE3, 0x41, "2", "Ireland", "Irland"},
    {"IL", 0xE0, 0x08, "4", "Israel", ""},
    {"IN", 0xF2, 0x10, "5", "India", "Indien"},
    {"IQ", 0xE1, 0x08, "B", "Iraq", "Irak"},
    {"IR", 0xF1, 0x08, "8", "Iran", ""},
    {"IS", 0xE2, 0x41, "A", "Iceland", "Island"},
    {"IT", 0xE0, 0x01, "5", "Italy", "Italien"},
    {"JM", 0xA3, 0x44, "3", "Jamaica", "Jamaika"},
    {"JO", 0xE1, 0x08, "5", "Jordan", "Jordanien"},
    {"JP", 0xF2, 0x50, "9", "Japan", ""},
    {"KE", 0xD2, 0x02, "6", "Kenia", "Kenya"},
    {"KG", 0xE5, 0x10, "3", "Kyrgyzstan", "Kirgisistan"},
    {"KH", 0xF2, 0x10, "3", "Cambodia", "Kambodscha"},
    {"KI", 0xF1, 0x40, "1", "Kiribati", ""},
    {"KM", 0xD1, 0x42, "C", "Comoros", "Komoren"},
    {"KN", 0xA4, 0x44, "A", "Saint Kitts", ""},
    {"KP", 0xF0, 0x10, "D", "Korea (North)", "Nordkorea"},
    {"KR", 0xF1, 0x10, "E", "Korea (South)", "Südkorea"},
    {"KW", 0xF2, 0x08, "1", "Kuwait", ""},
    {"KY", 0xA2, 0x44, "7", "Cayman Islands", "Kaiman-Inseln"},
    {"KZ", 0xE3, 0x11, "D", "Kazakhstan", "Kasachstan"},
    {"LA", 0xF3, 0x10, "1", "Laos", ""},
    {"LB", 0xE3, 0x08, "A", "Lebanon", "Libanon"},
    {"LC", 0xA4, 0x44, "B", "Saint Lucia", ""},
    {"LI", 0xE2, 0x01, "9", "Liechtenstein", ""},
    {"LK", 0xF1, 0x50, "C", "Sri Lanka (Ceylon)", ""},
    {"LR", 0xD1, 0x02, "2", "Liberia", ""},
    {"LS", 0xD3, 0x02, "6", "Lesotho", ""},
    {"LT", 0xE2, 0x01, "C", "Lithuania", "Litauen"},
    {"LU", 0xE1, 0x01, "7", "Luxembourg", "Luxemburg"},
    {"LV", 0xE3, 0x01, "9", "Latvia", "Lettland"},
    {"LY", 0xE1, 0x02, "D", "Libya", "Libyen"},
    {"MA", 0xE2, 0x02, "1", "Morocco", "Marokko"},
    {"MC", 0xE2, 0x01, "B", "Monaco", ""},
    {"MD", 0xE4, 0x01, "1", "Moldova", "Moldavien"},
    {"ME", 0xE3, 0x01, "1", "Montenegro", ""},
    {"MG", 0xD0, 0x42, "4", "Madagascar", "Madagaskar"},
    {"MH", 0xF4, 0x40, "B", "Marshall Islands", ""},
    {"MK", 0xE3, 0x01, "4", "Macedonia", "Mazedonien"},
    {"MK", 0xE4, 0x01, "3", "Macedonia", "Makedonien"},
    {"ML", 0xD0, 0x02, "5", "Mali", ""},
    {"MM", 0xF0, 0x10, "B", "Myanmar (Burma)", ""},
    {"MN", 0xF3, 0x10, "F", "Mongolia", "Mongolei"},
    {"MO", 0xF2, 0x50, "6", "Macao", "Macau"},
    {"MQ", 0xA3, 0x44, "4", "Martinique", ""},
    {"MR", 0xD1, 0x02, "4", "Mauritania", "Mauretanien"},
    {"MU", 0xD3, 0x42, "A", "Mauritius", ""},
    {"MS", 0xA4, 0x44, "5", "Montserrat", ""},
    {"MT", 0xE0, 0x41, "C", "Malta", ""},
    {"MV", 0xF2, 0x50, "B", "Maldives", "Malediven"},
    {"MW", 0xD0, 0x02, "F", "Malawi", ""},
    {"MX", 0xA5, 0x04, "BDEF", "Mexico", "Mexiko"},
    {"MY", 0xF0, 0x50, "F", "Malaysia", ""},
    {"MZ", 0xD2, 0x02, "3", "Mozambique", "Mosambik"},
    {"NA", 0xD1, 0x02, "1", "Namibia", ""},
    {"NE", 0xD2, 0x02, "8", "Niger", ""},
    {"NG", 0xD1, 0x02, "F", "Nigeria", ""},
    {"NI", 0xA3, 0x04, "7", "Nicaragua", "Nikaragua"},
    {"NL", 0xE3, 0x01, "8", "Netherlands", "Niederlande"},
    {"NO", 0xE2, 0x01, "F", "Norway", "Norwegen"},
    {"NP", 0xF2, 0x10, "E", "Nepal", ""},
    {"NR", 0xF1, 0x40, "7", "Nauru", ""},
    {"NZ", 0xF1, 0x60, "9", "New Zealand", "Neuseeland"},
    {"OM", 0xF1, 0x08, "6", "Oman", ""},
    {"PA", 0xA3, 0x04, "9", "Panama", ""},
    {"PE", 0xA4, 0x04, "7", "Peru", ""},
    {"PG", 0xF3, 0x60, "9", "Papua New Guinea", ""},
    {"PH", 0xF2, 0x50, "8", "Philippines", ""},
    {"PK", 0xF1, 0x10, "4", "Pakistan", ""},
    {"PL", 0xE2, 0x01, "3", "Poland", "Polen"},
    {"PM", 0xA6, 0x44, "F", "Saint-Pierre & Miquelon", ""},
    {"PR", 0xA0, 0x44, "123456789ABDE", "Puerto Rico", ""},
    {"PS", 0xE0, 0x08, "8", "Palestine", "Palästina"},
    {"PT", 0xE4, 0x45, "8", "Azores (Portugal)", "Azoren"},
    {"PT", 0xE4, 0x43, "8", "Madeira (Portugal)", ""},
    {"PT", 0xE4, 0x01, "8", "Portugal", ""},
    {"PY", 0xA3, 0x04, "6", "Paraguay", ""},
    {"QA", 0xF2, 0x08, "2", "Qatar", "Katar"},
    {"RO", 0xE1, 0x01, "E", "Romania", "Rumänien"},
    {"RS", 0xE2, 0x01, "D", "Serbia", "Serbien"},
    {"RU", 0xE0, 0x11, "7", "Russian Federation", "Russische Föderation"},
    {"RW", 0xD3, 0x02, "5", "Rwanda", "Ruanda"},
    {"SA", 0xF0, 0x08, "9", "Saudi Arabia", "Saudi-Arabien"},
    {"SB", 0xF1, 0x50, "A", "Solomon Islands", "Salomonen"},
    {"SC", 0xD3, 0x42, "8", "Seychelles (Republic of)", ""},
    {"SD", 0xD3, 0x02, "C", "Sudan (Republic of)", ""},
    {"SE", 0xE3, 0x01, "E", "Sweden", "Schweden"},
    {"SG", 0xF2, 0x50, "A", "Singapore", "Singapur"},
    {"SH", 0xD1, 0x46, "A", "Ascension Island", ""},
    {"SI", 0xE4, 0x01, "9", "Slovenia", "Slowenien"},
    {"SK", 0xE2, 0x01, "5", "Slovakia", "Slowakei"},
    {"SL", 0xD2, 0x02, "1", "Sierra Leone", ""},
    {"SM", 0xE1, 0x01, "3", "San Marino", ""},
    {"SV", 0xA4, 0x04, "C", "El Salvador", ""},
    {"SN", 0xD1, 0x02, "7", "Senegal", ""},
    {"SO", 0xD2, 0x02, "7", "Somalia", ""},
    {"SR", 0xA4, 0x04, "8", "Surinam", ""},
    {"SS", 0xD4, 0x02, "A", "South Sudan", ""},
    {"ST", 0xD1, 0x42, "5", "Sao Tome & Principe", "São Tomé und Príncipe"},
    {"SY", 0xE2, 0x08, "6", "Syria", "Syrien"},
    {"SZ", 0xD2, 0x02, "5", "Swaziland", ""},
    {"TC", 0xA3, 0x44, "E", "Turks & Caicos Islands", ""},
    {"TD", 0xD2, 0x02, "9", "Chad", "Tschad"},
    {"TG", 0xD0, 0x02, "D", "Togo", ""},
    {"TH", 0xF3, 0x10, "2", "Thailand", ""},
    {"TJ", 0xE3, 0x10, "5", "Tajikistan", "Tadschikistan"},
    {"TM", 0xE4, 0x10, "E", "Turkmenistan", ""},
    {"TN", 0xE2, 0x02, "7", "Tunisia", "Tunesien"},
    {"TO", 0xF3, 0x40, "3", "Tonga", ""},
    {"TR", 0xE3, 0x09, "3", "Turkey", "Türkei"},
    {"TT", 0xA4, 0x44, "6", "Trinidad & Tobago", ""},
    {"TW", 0xF1, 0x50, "D", "Taiwan", ""},
    {"TZ", 0xD1, 0x02, "D", "Tanzania", "Tansania"},
    {"UA", 0xE4, 0x01, "6", "Ukraine", ""},
    {"UG", 0xD2, 0x02, "4", "Uganda", ""},
    {"US", 0xA0, 0x04, "123456789ABDE", "United States of America", "USA"},
    {"UY", 0xA4, 0x04, "9", "Uruguay", ""},
    {"UZ", 0xE4, 0x10, "B", "Usbekistan", ""},
    {"VA", 0xE2, 0x01, "4", "Vatikan", ""},
    {"VC", 0xA5, 0x44, "C", "Saint Vincent", ""},
    {"VE", 0xA4, 0x04, "E", "Venezuela", ""},
    {"VG", 0xA4, 0x44, "F", "Virgin Islands (British)", ""},
    {"VG", 0xA5, 0x44, "F", "Britische Jungferninseln", ""},
    {"VI", 0xA0, 0x44, "123456789ABDE", "Virgin Islands (USA)", "Amerikanische Jungferninseln"},
    {"VN", 0xF2, 0x10, "7", "Vietnam", ""},
    {"VU", 0xF2, 0x40, "F", "Vanuatu", ""},
    {"WS", 0xF2, 0x40, "4", "Samoa", ""},
    {"XK", 0xE4, 0x01, "7", "Kosovo", ""},
    {"YE", 0xF3, 0x08, "B", "Yemen", "Jemen"},
    {"ZA", 0xD0, 0x02, "A", "South Africa", "Südafrikanische Republik"},
    {"ZM", 0xD2, 0x02, "E", "Zambia", "Sambia"},
    {"ZW", 0xD2, 0x02, "2", "Zimbabwe", "Simbabwe"},
};
// clang-format on

constexpr int kRowCount = int(sizeof(kRows) / sizeof(kRows[0]));
static_assert(kRowCount == 231, "the country table has 231 rows");

// Built during static initialisation, before main and any other thread.
const QList<ECC> &builtList()
{
    static const QList<ECC> list = [] {
        QList<ECC> l;
        buildCountryList(l);
        return l;
    }();
    return list;
}

const bool kBuiltAtStart = !builtList().isEmpty();

} // namespace

QString ECC::name() const
{
    if (langGerman.load(std::memory_order_relaxed) && !nameDE.isEmpty())
        return nameDE;
    return nameEN;
}

void buildCountryList(QList<ECC> &list)
{
    list.reserve(list.size() + kRowCount);
    for (const EccRow &r : kRows) {
        ECC e;
        e.iso = QByteArray(r.iso);
        e.ecc = r.ecc;
        e.area = r.area;
        e.ci = QByteArray(r.ci);
        e.nameEN = QString::fromUtf8(r.nameEN);
        e.nameDE = QString::fromUtf8(r.nameDE);
        list.append(e);
    }
}

const QList<ECC> &countryList()
{
    Q_UNUSED(kBuiltAtStart);
    return builtList();
}

QString countryNames(char digit, u16 code)
{
    QString names;
    for (const ECC &row : countryList()) {
        if (row.ecc != code || !row.ci.contains(digit))
            continue;
        if (!names.isEmpty())
            names += QLatin1Char('\n');
        names += row.name();
    }
    return names;
}
