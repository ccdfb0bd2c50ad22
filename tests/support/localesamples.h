#pragma once
// Locale settings of a German and a Russian user, built by hand so that the tests need no
// installed locales.

#include "platform/formatsettings.h"

inline TFormatSettings GermanSettings() {
    TFormatSettings fs;
    fs.DateSeparator = ".";
    fs.TimeSeparator = ":";
    fs.DecimalSeparator = ",";
    fs.ThousandSeparator = ".";
    fs.ListSeparator = ";";
    fs.ShortDateFormat = "dd.MM.yyyy";
    fs.LongDateFormat = "dddd, d. MMMM yyyy";
    fs.ShortTimeFormat = "hh:nn";
    fs.LongTimeFormat = "hh:nn:ss";
    fs.TimeAMString = "";
    fs.TimePMString = "";
    fs.LongMonthNames = {"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                         "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    fs.ShortMonthNames = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                          "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
    fs.GenitiveMonthNames = fs.LongMonthNames;
    fs.ShortGenitiveMonthNames = fs.ShortMonthNames;
    fs.LongDayNames = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                       "Donnerstag", "Freitag", "Samstag"};
    fs.ShortDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
    fs.FirstDayOfWeek = 0;
    return fs;
}

inline TFormatSettings RussianSettings() {
    TFormatSettings fs;
    fs.DateSeparator = ".";
    fs.TimeSeparator = ":";
    fs.DecimalSeparator = ",";
    fs.ThousandSeparator = "\u00a0";
    fs.ListSeparator = ";";
    fs.ShortDateFormat = "dd.MM.yyyy";
    fs.LongDateFormat = "d MMMM yyyy 'г.'";
    fs.ShortTimeFormat = "h:nn";
    fs.LongTimeFormat = "h:nn:ss";
    fs.TimeAMString = "";
    fs.TimePMString = "";
    fs.LongMonthNames = {"Январь", "Февраль", "Март",     "Апрель",  "Май",    "Июнь",
                         "Июль",   "Август",  "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
    fs.GenitiveMonthNames = {"января", "февраля", "марта",    "апреля",  "мая",    "июня",
                             "июля",   "августа", "сентября", "октября", "ноября", "декабря"};
    fs.ShortMonthNames = {"янв", "фев", "мар", "апр", "май", "июн",
                          "июл", "авг", "сен", "окт", "ноя", "дек"};
    fs.ShortGenitiveMonthNames = {"янв", "фев", "мар", "апр", "мая", "июн",
                                  "июл", "авг", "сен", "окт", "ноя", "дек"};
    fs.LongDayNames = {"воскресенье", "понедельник", "вторник", "среда",
                       "четверг",     "пятница",     "суббота"};
    fs.ShortDayNames = {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
    fs.FirstDayOfWeek = 0;
    return fs;
}
