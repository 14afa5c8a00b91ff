#include "ogloszenia/rules.h"

namespace ogloszenia::rules {

const QList<Rule>& Kinds()
{
    static const QList<Rule> kinds = {
        {"obwieszczenie", "obwieszczenie"}, {"zawiadomienie", "zawiadomienie"}, {"informacja", "informacja"},
        {"decyzja", "decyzja"},             {"postanowienie", "postanowienie"}, {"ogłoszenie", "ogłoszenie"},
    };
    return kinds;
}

const char* HeadingContinuation()
{
    // After the kind word: nothing, punctuation, "o …", "w sprawie …",
    // "z dnia …", "nr …", "dot. …", or an authority (checked separately).
    return R"(^(?:$|[:(\-]|\s+(?:o|w\s+sprawie|z\s+dnia|z\s+dn\.|nr|dot\.|dotycząc\w*|dla|ws\.|-)(?:\s|$)))";
}

const QList<const char*>& NotNotices()
{
    static const QList<const char*> list = {
        R"(przetwarzani\w* danych)", R"(\brodo\b)", R"(klauzul\w* informacyjn)", R"(plik\w* cookie)",
        R"(o dostępności)",          R"(o ochronie danych)",
    };
    return list;
}

const QList<Office>& Offices()
{
    static const QList<Office> offices = {
        {"Regionalny Dyrektor Ochrony Środowiska", "Regionalnego Dyrektora Ochrony Środowiska"},
        {"Generalny Dyrektor Ochrony Środowiska", "Generalnego Dyrektora Ochrony Środowiska", true},
        {"Dyrektor Regionalnego Zarządu Gospodarki Wodnej", "Dyrektora Regionalnego Zarządu Gospodarki Wodnej"},
        {"Dyrektor Zarządu Zlewni", "Dyrektora Zarządu Zlewni"},
        {"Wójt", "Wójta"},
        {"Burmistrz", "Burmistrza"},
        {"Prezydent", "Prezydenta"},
        {"Starosta", "Starosty"},
        {"Marszałek Województwa", "Marszałka Województwa"},
        {"Wojewoda", "Wojewody"},
        {"Zarząd Powiatu", "Zarządu Powiatu"},
        {"Zarząd Województwa", "Zarządu Województwa"},
    };
    return offices;
}

const QList<Rule>& Procedures()
{
    static const QList<Rule> procedures = {
        {R"(środowiskowych\s+uwarunkowa|uwarunkowań\s+środowiskowych|decyzj\w*\s+środowiskow|\.6220\.)", "DŚU"},
        {R"(obowiąz\w*\s+przeprowadzenia\s+oceny|potrzeby\s+przeprowadzenia\s+oceny)", "DŚU"},
        {R"(uzgodni\w*\s+warunk\w*\s+realizacji\s+przedsięwzię)", "DŚU"},
        {R"(planu\s+zagospodarowania\s+przestrzennego|planowaniu\s+i\s+zagospodarowaniu|\bmpzp\b|)"
         R"(studium\s+uwarunkowań|planu\s+ogólnego|\.672\d\.)",
         "MPZP"},
        {R"(strategicznej\s+oceny|prognoz\w*\s+oddziaływania|planu\s+zadań\s+ochronnych|planu\s+ochrony\s+dla)",
         "SOOŚ"},
        {R"(wodnoprawn|prawo\s+wodne|zarządu\s+zlewni|zarząd\s+zlewni|zarządu\s+gospodarki\s+wodnej|)"
         R"(wody\s+polskie)",
         "wodnoprawne"},
        {R"(usunięci\w*\s+(?:\d+\s+)?drzew|drzew\s+lub\s+krzewów|wycink\w*\s+drzew)", "drzewa"},
        {R"(ponownej\s+oceny|oceny\s+oddziaływania\s+(?:przedsięwzięcia\s+)?na\s+obszar|)"
         R"(oceny\s+oddziaływania\s+przedsięwzięcia\s+na\s+środowisko)",
         "OOŚ"},
    };
    return procedures;
}

const QList<Rule>& Stages()
{
    static const QList<Rule> stages = {
        {R"(o\s+wydaniu\s+(?:w\s+dniu\s+[^,;]{4,30}?\s+)?(?:decyzji|zezwolenia|pozwolenia)|)"
         R"(wydał\w*\s+(?:w\s+dniu\s+[^,;]{4,30}?\s+)?decyzj|(?:została|zostało)\s+wydan\w*\s+decyzj|)"
         R"(wydana\s+została\s+decyzja|decyzj\w+\s+z\s+dnia\s+[^,;]{4,30}?\s+(?:znak\s+[^\s]+\s+)?udzielił|)"
         R"(o\s+wydanym\s+(?:pozwoleniu|zezwoleniu|decyzji)|\borzekam\b|ustalam\s+środowiskowe)",
         "decyzja"},
        {R"(zawiesz\w*\s+postępowani|zawiesić\s+postępowanie|zawieszono\s+postępowanie|)"
         R"(zawiesza\s+się\s+postępowanie)",
         "zawieszenie"},
        {R"(nałoż\w*\s+obowiąz\w*\s+przeprowadzenia\s+oceny|stwierdz\w*\s+potrzeb\w*\s+przeprowadzenia\s+oceny|)"
         R"(obowiązek\s+przeprowadzenia\s+oceny\s+oddziaływania)",
         "obowiązek OOŚ"},
        {R"(brak\w*\s+potrzeby\s+przeprowadzenia\s+oceny|odstąpi\w*\s+od\s+przeprowadzenia\s+oceny|)"
         R"(nie\s+stwierdz\w*\s+potrzeby\s+przeprowadzenia)",
         "brak OOŚ"},
        {R"(udzia\w*\s+społeczeństwa|składania\s+uwag|uwagi\s+i\s+wnioski|uwag\s+i\s+wniosków|)"
         R"(wyłożeni\w*\s+(?:do\s+publicznego\s+wglądu|projektu)|konsultac\w*|)"
         R"((?:zgłaszania|wnoszenia)\s+uwag|uwagi\s+(?:[^.]{0,60}?\s+)?(?:można|należy)\s+(?:składać|zgłaszać|wnosić))",
         "konsultacje"},
        {R"(wszczęci\w*\s+postępowania|wszczęto|wszczęte|przystąpi\w*\s+do\s+(?:sporządz|przeprowadzenia)|)"
         R"(złożeniu\s+wniosku|wpłynął\s+wniosek)",
         "wszczęcie"},
    };
    return stages;
}

const QList<const char*>& CommentWords()
{
    static const QList<const char*> words = {R"(\buwag)", R"(\bwnioski\b)", R"(\bwniosków\b)", R"(\bopini\w*\s+i\s+uwag)"};
    return words;
}

const QList<const char*>& OpenToViewWords()
{
    static const QList<const char*> words = {R"(wyłożeni)", R"(publicznego\s+wglądu)", R"(\bkonsultac)"};
    return words;
}

const QList<const char*>& NotCommentWords()
{
    static const QList<const char*> words = {
        R"(odwołani)",      R"(zażaleni)",         R"(doręcz)",          R"(uważa\s+się\s+za\s+dokonan)",
        R"(wywiesz)",       R"(na\s+okres)",       R"(termin\w*\s+załatwienia)", R"(ponagleni)",
        R"(zebranych\s+dowodów)", R"(wypowiedzieć\s+się)", R"(skarg)",       R"(prace\s+polegające)",
    };
    return words;
}

const QList<const char*>& StagesWithoutWindow()
{
    static const QList<const char*> stages = {"decyzja"};
    return stages;
}

const char* PublicationEvent()
{
    return R"(publikacji|podania\s+do\s+publicznej\s+wiadomości|udostępnienia|zamieszczenia|ukazania\s+się|)"
           R"(ogłoszenia|obwieszczenia|opublikowania)";
}

const char* PublicationLabel()
{
    return R"(data\s+publikacji|opublikowan\w*|opublikował\w*|data\s+udostępnienia|udostępnion\w*|)"
           R"(data\s+wprowadzenia|data\s+zamieszczenia|zamieszczon\w*)";
}

const char* DocumentDateLabel()
{
    return R"((?:^|[\s|])data(?:\s+(?:wytworzenia|dokumentu|pisma|sporządzenia))?\s*:\s*$)";
}

const char* PlaceAndDate()
{
    // A place of one to four words, a comma (not always), "dnia" or "dn."
    // (not always), then the date.
    return R"(^\s*[a-ząćęłńóśźż][a-ząćęłńóśźż\-]*(?:\s+[a-ząćęłńóśźż\-]+){0,3}\s*,?\s+(?:dnia\s+|dn\.\s*)?$)";
}

const char* Weekday()
{
    return R"(^\s*(?:poniedziałek|wtorek|środa|czwartek|piątek|sobota|niedziela)\b)";
}

const char* ReferenceLabel()
{
    return R"((?:znak\s+sprawy|znak|nr\s+sprawy|sygn\.?|sygnatura)\s*:?\s*$)";
}

const char* NaturaMention()
{
    return R"(natura\s*2000|obszar\w*\s+specjalnej\s+ochrony\s+ptaków|specjaln\w*\s+obszar\w*\s+ochrony\s+siedlisk)";
}

const char* NaturaCode()
{
    return R"(\bpl[bhc]\d{6}\b)";
}

const QList<const char*>& NaturaDenials()
{
    static const QList<const char*> denials = {
        R"(\bpoza\s+)", R"(\bnie\s+(?:jest|są|będzie|znajduje|leży|oddziałuje|graniczy|położon|obejmuje)\b)",
        R"(\bbrak\b)",  R"(\bnie\s+\w+\s+(?:na|w)\s+)",
    };
    return denials;
}

const char* SubjectLead()
{
    return R"((?:przedsięwzię\w*|zamierzeni\w*|inwestycji)\s+(?:polegając\w*\s+na|pn\.|pod\s+nazwą)\s*:?\s*)";
}

const QList<const char*>& Abbreviations()
{
    static const QList<const char*> list = {
        "r",  "ul",  "nr", "pok", "ust", "art", "pkt", "poz", "dz", "ew", "gm",  "zm",  "tj",   "tzw", "godz", "im",
        "św", "al",  "os", "ok",  "wg",  "ww",  "tel", "sp",  "o",  "a",  "st",  "dn",  "ewid", "obr", "kpa", "k.p.a",
        "m",  "nr.", "u",  "pl",  "dot", "lit", "zł",  "ha",  "km", "mw", "ppkt", "późn", "dyr", "woj", "pow", "s",
    };
    return list;
}

} // namespace ogloszenia::rules
