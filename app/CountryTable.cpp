#include "app/CountryTable.h"

namespace
{
const COUNTRY_ENTRY g_countryTable[] = {
    { "AE", 179 }, { "AF", 92 }, { "AG", 6 }, { "AI", 5 }, { "AL", 1 }, { "AN", 124 },
    { "AO", 67 }, { "AR", 7 }, { "AS", 3 }, { "AT", 10 }, { "AU", 9 }, { "BB", 14 },
    { "BD", 13 }, { "BE", 15 }, { "BF", 182 }, { "BG", 27 }, { "BH", 12 }, { "BI", 29 },
    { "BJ", 17 }, { "BM", 18 }, { "BN", 26 }, { "BO", 20 }, { "BR", 22 }, { "BS", 11 },
    { "BT", 19 }, { "BW", 21 }, { "BZ", 16 }, { "CA", 32 }, { "CB", 253 }, { "CF", 35 },
    { "CG", 41 }, { "CH", 166 }, { "CK", 42 }, { "CL", 37 }, { "CM", 31 }, { "CN", 38 },
    { "CO", 39 }, { "CR", 43 }, { "CU", 44 }, { "CV", 33 }, { "CY", 45 }, { "CZ", 46 },
    { "DE", 4 }, { "DJ", 50 }, { "DK", 49 }, { "DM", 52 }, { "DO", 51 }, { "DZ", 2 },
    { "EC", 53 }, { "EG", 54 }, { "EH", 190 }, { "ES", 160 }, { "ET", 57 }, { "FI", 60 },
    { "FJ", 59 }, { "FK", 58 }, { "FR", 61 }, { "GA", 64 }, { "GB", 180 }, { "GD", 71 },
    { "GH", 68 }, { "GI", 69 }, { "GM", 65 }, { "GN", 75 }, { "GQ", 56 }, { "GR", 70 },
    { "GT", 73 }, { "GU", 72 }, { "GW", 76 }, { "HK", 80 }, { "HN", 79 }, { "HT", 78 },
    { "HU", 81 }, { "ID", 84 }, { "IE", 87 }, { "IL", 88 }, { "IN", 83 }, { "IO", 23 },
    { "IQ", 86 }, { "IR", 85 }, { "IS", 82 }, { "IT", 89 }, { "JM", 91 }, { "JO", 94 },
    { "JP", 0 }, { "KE", 95 }, { "KH", 47 }, { "KI", 96 }, { "KM", 40 }, { "KN", 144 },
    { "KP", 48 }, { "KR", 97 }, { "KW", 98 }, { "KY", 34 }, { "LA", 99 }, { "LB", 100 },
    { "LC", 147 }, { "LI", 104 }, { "LK", 161 }, { "LR", 102 }, { "LS", 101 }, { "LU", 105 },
    { "MA", 119 }, { "MC", 116 }, { "MG", 107 }, { "ML", 111 }, { "MM", 28 }, { "MN", 117 },
    { "MO", 106 }, { "MR", 113 }, { "MS", 118 }, { "MT", 112 }, { "MU", 114 }, { "MV", 110 },
    { "MW", 109 }, { "MX", 115 }, { "MY", 108 }, { "MZ", 120 }, { "NC", 125 }, { "NE", 128 },
    { "NG", 129 }, { "NI", 127 }, { "NL", 123 }, { "NO", 130 }, { "NP", 122 }, { "NR", 121 },
    { "NZ", 126 }, { "OM", 131 }, { "PA", 133 }, { "PE", 136 }, { "PF", 62 }, { "PG", 134 },
    { "PH", 137 }, { "PK", 132 }, { "PL", 138 }, { "PR", 140 }, { "PT", 139 }, { "PY", 135 },
    { "QA", 141 }, { "RO", 142 }, { "RW", 143 }, { "SA", 152 }, { "SB", 157 }, { "SC", 154 },
    { "SD", 162 }, { "SE", 165 }, { "SG", 156 }, { "SL", 155 }, { "SM", 148 }, { "SN", 153 },
    { "SO", 158 }, { "SR", 163 }, { "ST", 150 }, { "SV", 55 }, { "SY", 167 }, { "SZ", 164 },
    { "TC", 175 }, { "TD", 36 }, { "TF", 63 }, { "TG", 170 }, { "TH", 169 }, { "TN", 173 },
    { "TO", 171 }, { "TR", 174 }, { "TT", 172 }, { "TV", 176 }, { "TW", 254 }, { "TZ", 168 },
    { "UA", 178 }, { "UG", 177 }, { "US", 181 }, { "UY", 183 }, { "VA", 186 }, { "VC", 151 },
    { "VE", 187 }, { "VN", 188 }, { "VU", 185 }, { "WF", 189 }, { "YE", 191 }, { "YU", 193 },
    { "ZA", 159 }, { "ZM", 195 }, { "ZR", 194 }, { "ZW", 196 },
};
const int g_nCountries = sizeof(g_countryTable) / sizeof(g_countryTable[0]);
}

WORD LookUpCountryCode(WORD wLetterPair)
{
    for (int i = 0; i < g_nCountries; i++)
    {
        const COUNTRY_ENTRY& entry = g_countryTable[i];
        WORD wKey = (WORD)(((BYTE)entry.szLetters[0] << 8) | (BYTE)entry.szLetters[1]);
        if (wKey == wLetterPair)
            return entry.wCountryCode;
    }
    return COUNTRY_CODE_INVALID;
}

const COUNTRY_ENTRY* GetCountryTable(int* pnEntries)
{
    if (pnEntries != NULL)
        *pnEntries = g_nCountries;
    return g_countryTable;
}
