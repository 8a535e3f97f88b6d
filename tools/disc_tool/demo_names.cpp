#include "demo_names.h"

#include <iterator>

namespace disctool::demo {

const char* const kCommonSurnames[] = {
    "SMITH",         "JOHNSON",       "WILLIAMS",    "BROWN",       "JONES",       "MILLER",
    "DAVIS",         "GARCIA",        "RODRIGUEZ",   "WILSON",      "MARTINEZ",    "ANDERSON",
    "TAYLOR",        "THOMAS",        "HERNANDEZ",   "MOORE",       "MARTIN",      "JACKSON",
    "THOMPSON",      "WHITE",         "LOPEZ",       "LEE",         "GONZALEZ",    "HARRIS",
    "CLARK",         "LEWIS",         "ROBINSON",    "WALKER",      "PEREZ",       "HALL",
    "YOUNG",         "ALLEN",         "SANCHEZ",     "WRIGHT",      "KING",        "SCOTT",
    "GREEN",         "BAKER",         "ADAMS",       "NELSON",      "HILL",        "RAMIREZ",
    "CAMPBELL",      "MITCHELL",      "ROBERTS",     "CARTER",      "PHILLIPS",    "EVANS",
    "TURNER",        "TORRES",        "PARKER",      "COLLINS",     "EDWARDS",     "STEWART",
    "FLORES",        "MORRIS",        "NGUYEN",      "MURPHY",      "RIVERA",      "COOK",
    "ROGERS",        "MORGAN",        "PETERSON",    "COOPER",      "REED",        "BAILEY",
    "BELL",          "GOMEZ",         "KELLY",       "HOWARD",      "WARD",        "COX",
    "DIAZ",          "RICHARDSON",    "WOOD",        "WATSON",      "BROOKS",      "BENNETT",
    "GRAY",          "JAMES",         "REYES",       "CRUZ",        "HUGHES",      "PRICE",
    "MYERS",         "LONG",          "FOSTER",      "SANDERS",     "ROSS",        "MORALES",
    "POWELL",        "SULLIVAN",      "RUSSELL",     "ORTIZ",       "JENKINS",     "GUTIERREZ",
    "PERRY",         "BUTLER",        "BARNES",      "FISHER",      "HENDERSON",   "COLEMAN",
    "SIMMONS",       "PATTERSON",     "JORDAN",      "REYNOLDS",    "HAMILTON",    "GRAHAM",
    "KIM",           "GONZALES",      "ALEXANDER",   "RAMOS",       "WALLACE",     "GRIFFIN",
    "WEST",          "COLE",          "HAYES",       "CHAVEZ",      "GIBSON",      "BRYANT",
    "ELLIS",         "STEVENS",       "MURRAY",      "FORD",        "MARSHALL",    "OWENS",
    "MCDONALD",      "HARRISON",      "RUIZ",        "KENNEDY",     "WELLS",       "ALVAREZ",
    "WOODS",         "MENDOZA",       "CASTILLO",    "OLSON",       "WEBB",        "WASHINGTON",
    "TUCKER",        "FREEMAN",       "BURNS",       "HENRY",       "VASQUEZ",     "SNYDER",
    "SIMPSON",       "CRAWFORD",      "JIMENEZ",     "PORTER",      "MASON",       "SHAW",
    "GORDON",        "WAGNER",        "HUNTER",      "ROMERO",      "HICKS",       "DIXON",
    "HUNT",          "PALMER",        "ROBERTSON",   "BLACK",       "HOLMES",      "STONE",
    "MEYER",         "BOYD",          "MILLS",       "WARREN",      "FOX",         "ROSE",
    "RICE",          "MORENO",        "SCHMIDT",     "PATEL",       "FERGUSON",    "NICHOLS",
    "HERRERA",       "MEDINA",        "RYAN",        "FERNANDEZ",   "WEAVER",      "DANIELS",
    "STEPHENS",      "GARDNER",       "PAYNE",       "KELLEY",      "DUNN",        "PIERCE",
    "ARNOLD",        "TRAN",          "SPENCER",     "PETERS",      "HAWKINS",     "GRANT",
    "HANSEN",        "CASTRO",        "HOFFMAN",     "HART",        "ELLIOTT",     "CUNNINGHAM",
    "KNIGHT",        "BRADLEY",       "O'BRIEN",     "O'CONNOR",    "O'NEAL",      "O'NEILL",
    "O'DONNELL",     "O'LEARY",       "O'HARA",      "O'MALLEY",    "D'AMICO",     "D'ANGELO",
    "MCCARTHY",      "MCLAUGHLIN",    "MCKENZIE",    "DE LA CRUZ",  "DE LEON",     "DEL RIO",
    "VAN BUREN",     "VAN HORN",      "VAN DYKE",    "ST JOHN",     "LA ROSA",     "LE BLANC",
    "FITZGERALD",    "FITZPATRICK",   "CHRISTENSEN", "BLANKENSHIP", "MONTGOMERY",  "SCHOENBERGER",
    "HOLLINGSWORTH", "WOJCIECHOWSKI", "VILLANUEVA",  "ARCHAMBAULT", "LEATHERWOOD", "SCHWARTZKOPF",
    "BUTTERFIELD",   "LLOYD-JONES",
};
const std::size_t kCommonSurnameCount = std::size(kCommonSurnames);

const char* const kCommonFirstNames[] = {
    "MARY",        "JOHN",        "WILLIAM",   "JAMES",     "GEORGE",    "CHARLES",   "ROBERT",
    "JOSEPH",      "FRANK",       "EDWARD",    "THOMAS",    "HENRY",     "WALTER",    "HARRY",
    "ANNA",        "HELEN",       "MARGARET",  "ELIZABETH", "RUTH",      "DOROTHY",   "ALBERT",
    "ARTHUR",      "CLARENCE",    "FRED",      "PAUL",      "RICHARD",   "HAROLD",    "RAYMOND",
    "LOUIS",       "ROY",         "ANNIE",     "ALICE",     "FLORENCE",  "LILLIAN",   "MILDRED",
    "EDNA",        "ROSE",        "MARIE",     "IRENE",     "GRACE",     "ETHEL",     "EMMA",
    "LOUISE",      "CLARA",       "BERTHA",    "MINNIE",    "FRANCES",   "JACK",      "CARL",
    "EARL",        "ERNEST",      "SAMUEL",    "DAVID",     "HOWARD",    "FRANCIS",   "ANTHONY",
    "MICHAEL",     "DONALD",      "KENNETH",   "RALPH",     "LAWRENCE",  "HERBERT",   "ELMER",
    "LEO",         "ANDREW",      "JESSE",     "HERMAN",    "OSCAR",     "PETER",     "EUGENE",
    "LILLIE",      "JOSEPHINE",   "MARTHA",    "HAZEL",     "GLADYS",    "GERTRUDE",  "EVELYN",
    "JULIA",       "IDA",         "EDITH",     "ELSIE",     "SARAH",     "BESSIE",    "PEARL",
    "MABEL",       "MAE",         "VIOLA",     "ESTHER",    "CATHERINE", "VIRGINIA",  "ELLA",
    "NELLIE",      "BEATRICE",    "FLOYD",     "LEONARD",   "LEROY",     "LLOYD",     "CHESTER",
    "ALFRED",      "BENJAMIN",    "DANIEL",    "MARTIN",    "HARVEY",    "EDWIN",     "SAM",
    "LEWIS",       "WILLIE",      "MIKE",      "LEON",      "MELVIN",    "ALLEN",     "RUSSELL",
    "VICTOR",      "BERNARD",     "MARVIN",    "GORDON",    "DALE",      "NORMAN",    "STANLEY",
    "ANN",         "JEAN",        "BETTY",     "DORIS",     "LOIS",      "MARJORIE",  "SHIRLEY",
    "BARBARA",     "VERA",        "AGNES",     "VIOLET",    "JESSIE",    "ELEANOR",   "CARRIE",
    "KATHERINE",   "EVA",         "ROSA",      "CORA",      "LAURA",     "NORA",      "INEZ",
    "OLGA",        "SOPHIE",      "VELMA",     "THELMA",    "WILMA",     "BLANCHE",   "MAUDE",
    "MYRTLE",      "LUCILLE",     "PAULINE",   "ALMA",      "GENEVIEVE", "GERALDINE", "ROSIE",
    "JUNE",        "PATRICIA",    "JOAN",      "ELAINE",    "ISABEL",    "NANCY",     "SUSAN",
    "LINDA",       "CAROL",       "JUDITH",    "SANDRA",    "KAREN",     "JOYCE",     "PHYLLIS",
    "LORRAINE",    "ROBERTA",     "EMILY",     "HATTIE",    "MATTIE",    "LULA",      "JENNIE",
    "KATIE",       "SADIE",       "FANNIE",    "NETTIE",    "OPAL",      "GOLDIE",    "BERNICE",
    "EDGAR",       "JOE",         "OTTO",      "AUGUST",    "EMIL",      "GUS",       "HUGO",
    "IRVING",      "ISADORE",     "MAX",       "MORRIS",    "NATHAN",    "ABRAHAM",   "JACOB",
    "ISAAC",       "SOL",         "JOSE",      "JUAN",      "MANUEL",    "JESUS",     "ANTONIO",
    "FRANCISCO",   "PEDRO",       "MARIA",     "CARMEN",    "DOLORES",   "GUADALUPE", "ANGELO",
    "SALVATORE",   "VINCENT",     "DOMINIC",   "CARMELA",   "CONCETTA",  "WALLACE",   "CASIMIR",
    "STELLA",      "WANDA",       "HELENA",    "LUCIEN",    "PIERRE",    "MARCEL",    "LEE",
    "TOM",         "BILL",        "BILLY",     "BOBBY",     "JIMMIE",    "JOHNNIE",   "EDDIE",
    "CLYDE",       "OTIS",        "HOMER",     "VIRGIL",    "LUTHER",    "ELBERT",    "CLAUDE",
    "CHRISTOPHER", "BERNADETTE",  "GWENDOLYN", "MARY ANN",  "ANNA MAE",  "BILLY JOE", "JEAN-PAUL",
    "D'ARCY",      "MARY LOUISE",
};
const std::size_t kCommonFirstNameCount = std::size(kCommonFirstNames);

// Location codes follow the program's location table: 1 Alabama .. 53 Wyoming, 40 Puerto
// Rico, 48 Virgin Islands, 64 American Samoa, 65 Guam.
const ZipPrefixRange kZipPrefixRanges[] = {
    {33, 5, 5},     {40, 6, 7},     {48, 8, 8},     {40, 9, 9},     {22, 10, 27},   {41, 28, 29},
    {30, 30, 38},   {20, 39, 49},   {47, 50, 59},   {7, 60, 69},    {31, 70, 89},   {33, 100, 149},
    {39, 150, 196}, {8, 197, 199},  {9, 200, 205},  {21, 206, 219}, {49, 220, 246}, {51, 247, 268},
    {34, 270, 289}, {42, 290, 299}, {11, 300, 319}, {10, 320, 349}, {1, 350, 369},  {44, 370, 385},
    {25, 386, 397}, {11, 398, 399}, {18, 400, 427}, {36, 430, 459}, {15, 460, 479}, {23, 480, 499},
    {16, 500, 528}, {52, 530, 549}, {24, 550, 567}, {43, 570, 577}, {35, 580, 588}, {27, 590, 599},
    {14, 600, 629}, {26, 630, 658}, {17, 660, 679}, {28, 680, 693}, {19, 700, 714}, {4, 716, 729},
    {37, 730, 749}, {45, 750, 799}, {6, 800, 816},  {53, 820, 831}, {13, 832, 838}, {46, 840, 847},
    {3, 850, 865},  {32, 870, 884}, {45, 885, 885}, {29, 889, 898}, {5, 900, 961},  {12, 967, 968},
    {65, 969, 969}, {38, 970, 979}, {50, 980, 994}, {2, 995, 999},
};
const std::size_t kZipPrefixRangeCount = std::size(kZipPrefixRanges);

// Roughly where the older population lived; the unknown location is common in the index.
const int kLocationWeights[66] = {
    55,                                                      // 0 unknown
    16, 2,  10, 10, 100, 10, 13, 3,  4,  60, 22, 3,  3, 50,  // 1 Alabama .. 14 Illinois
    22, 13, 10, 15, 14,  5,  16, 30, 40, 17, 10, 22, 3, 7,   // 15 Indiana .. 28 Nebraska
    3,  4,  35, 4,  90,  25, 3,  50, 12, 10, 60, 4,  4, 12,  // 29 Nevada .. 42 S. Carolina
    3,  18, 60, 4,  2,   1,  20, 15, 9,  20, 2,              // 43 S. Dakota .. 53 Wyoming
    1,  1,  2,  1,  2,   1,  1,  1,  1,  1,  1,  1,          // 54 Africa .. 65 Guam
};

}  // namespace disctool::demo
