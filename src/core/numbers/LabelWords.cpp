#include "core/numbers/LabelWords.h"

#include <algorithm>

namespace {

constexpr auto W = LabelMatch::Word;
constexpr auto S = LabelMatch::Start;
constexpr auto In = LabelMatch::Within;
constexpr auto Dot = LabelMatch::Dotted;
constexpr auto Tel = LabelKind::Phone;
constexpr auto Fax = LabelKind::Fax;
constexpr auto Mob = LabelKind::Mobile;
constexpr auto Svc = LabelKind::Service;
constexpr auto Id = LabelKind::Identifier;
constexpr auto IdW = LabelKind::IdentifierWord;
constexpr auto Num = LabelKind::NumberWord;
constexpr auto Name = LabelKind::NumberName;
constexpr auto Con = LabelKind::Connector;

// Accents are written both ways where pages write both.
constexpr LabelEntry kEntries[] = {
    // Telephones.
    {u"tel", W, Tel, "*"},
    {u"tél", W, Tel, "fr"},
    {u"telf", W, Tel, "es"},
    {u"tfno", W, Tel, "es"},
    {u"tlf", W, Tel, "*"},
    {u"tfn", W, Tel, "sv"},
    {u"fon", W, Tel, "de"},
    {u"ph", W, Tel, "en"},
    {u"phone", S, Tel, "en"},
    {u"telephon", S, Tel, "en"},
    {u"telefon", S, Tel, "*"}, // de, sv, da, no, pl, it "telefono", pt "telefone"
    {u"telefoon", S, Tel, "nl"},
    {u"teléf", S, Tel, "es"},
    {u"téléphon", S, Tel, "fr"},
    {u"landline", S, Tel, "en"},
    {u"festnetz", S, Tel, "de"},
    {u"durchwahl", S, Tel, "de"},
    {u"call", S, Tel, "en"},
    {u"dial", W, Tel, "en"},
    {u"tty", W, Tel, "en"}, // telephones for the deaf
    {u"tdd", W, Tel, "en"},
    {u"textphone", S, Tel, "en"},
    {u"minicom", W, Tel, "en"},
    {u"ring", S, Tel, "*"}, // en, sv "ringer", da, no
    {u"ruf", W, Tel, "de"},
    {u"rufn", S, Tel, "de"},
    {u"anruf", S, Tel, "de"},
    {u"appel", S, Tel, "fr"},
    {u"chiam", S, Tel, "it"},
    {u"llam", S, Tel, "es"},
    {u"ligue", W, Tel, "pt"},
    {u"chamad", S, Tel, "pt"},
    {u"फोन", S, Tel, "hi"},
    {u"फ़ोन", S, Tel, "hi"},
    {u"فون", S, Tel, "ur"},
    {u"ligar", W, Tel, "pt"},
    {u"bel", W, Tel, "nl"},
    {u"bellen", W, Tel, "nl"},
    {u"puh", W, Tel, "fi"},
    {u"puhelin", S, Tel, "fi"},
    {u"zadzwoń", W, Tel, "pl"},
    {u"dzwoń", W, Tel, "pl"},
    {u"тел", S, Tel, "ru"},
    {u"звон", S, Tel, "ru"},
    {u"τηλ", S, Tel, "el"},
    {u"電話", In, Tel, "ja"},
    {u"电话", In, Tel, "zh"},
    {u"전화", In, Tel, "ko"},
    // Signs written for the word.
    {u"\u260E", W, Tel, "*"},     // ☎
    {u"\u260F", W, Tel, "*"},     // ☏
    {u"\u2121", W, Tel, "*"},     // ℡
    {u"\U0001F4DE", W, Tel, "*"}, // 📞
    // Faxes.
    {u"fax", S, Fax, "*"},
    {u"telefax", S, Fax, "*"},
    {u"téléc", S, Fax, "fr"},
    {u"facsimile", S, Fax, "en"},
    {u"faks", S, Fax, "*"}, // pl, no, sl, hr, tr
    {u"факс", S, Fax, "ru"},
    {u"ファクス", In, Fax, "ja"},
    {u"ファックス", In, Fax, "ja"},
    {u"传真", In, Fax, "zh"},
    {u"팩스", In, Fax, "ko"},
    {u"\U0001F4E0", W, Fax, "*"}, // 📠
    // Mobiles.
    {u"mob", W, Mob, "*"},
    {u"mobil", S, Mob, "*"},
    {u"móvil", S, Mob, "es"},
    {u"movil", S, Mob, "es"},
    {u"mobiel", S, Mob, "nl"},
    {u"telemóvel", S, Mob, "pt"},
    {u"telemovel", S, Mob, "pt"},
    {u"kom", Dot, Mob, "pl"}, // "tel. kom."
    {u"komórk", S, Mob, "pl"},
    {u"cell", S, Mob, "*"}, // en, it "cellulare"
    {u"celular", S, Mob, "*"},
    {u"handy", W, Mob, "de"},
    {u"natel", W, Mob, "de"},
    {u"gsm", W, Mob, "*"},
    {u"portable", W, Mob, "fr"},
    {u"whatsapp", S, Mob, "*"},
    {u"моб", S, Mob, "ru"},
    {u"κινητ", S, Mob, "el"},
    {u"携帯", In, Mob, "ja"},
    {u"手机", In, Mob, "zh"},
    {u"휴대", In, Mob, "ko"},
    {u"\U0001F4F1", W, Mob, "*"}, // 📱
    // Desks and lines people call.
    {u"service", S, Svc, "*"},
    {u"care", W, Svc, "en"},
    {u"support", S, Svc, "en"},
    {u"hotline", S, Svc, "*"},
    {u"helpline", S, Svc, "en"},
    {u"हेल्पलाइन", S, Svc, "hi"},
    {u"हेल्पलाईन", S, Svc, "hi"},
    {u"ہیلپ", S, Svc, "ur"},
    {u"لائن", W, Svc, "ur"},
    {u"line", W, Svc, "en"},
    {u"complaint", S, Svc, "en"},
    {u"department", S, Svc, "en"},
    {u"dept", W, Svc, "en"},
    {u"direct", W, Svc, "en"},
    {u"main", W, Svc, "en"},
    {u"toll", W, Svc, "en"},
    {u"free", W, Svc, "en"},
    {u"freephon", S, Svc, "en"},
    {u"freecall", S, Svc, "en"},
    {u"abteilung", S, Svc, "de"},
    {u"informati", S, Svc, "*"}, // en "information line", nl "informatienummer"
    {u"hoved", W, Svc, "*"},     // da, no: the main number
    {u"gratis", W, Svc, "*"},
    {u"gratuit", S, Svc, "*"}, // fr, it "gratuito", es
    {u"ligne", W, Svc, "fr"},
    {u"directe", W, Svc, "fr"},
    {u"vert", W, Svc, "fr"},
    {u"verde", W, Svc, "it"},
    {u"helpdesk", S, Svc, "en"},
    {u"help", W, Svc, "en"},
    {u"enquir", S, Svc, "en"},
    {u"inquir", S, Svc, "en"},
    {u"sales", W, Svc, "en"},
    {u"reception", S, Svc, "*"}, // en, fr, sv
    {u"office", S, Svc, "en"},
    {u"switchboard", S, Svc, "en"},
    {u"desk", W, Svc, "en"},
    {u"emergenc", S, Svc, "en"},
    {u"contact", S, Svc, "*"}, // en, fr "contactez", es "contacto"
    {u"reach", W, Svc, "en"},
    {u"zentral", S, Svc, "de"},
    {u"dienst", W, Svc, "de"},
    {u"notruf", S, Svc, "de"},
    {u"notfall", S, Svc, "de"},
    {u"kontakt", S, Svc, "*"},
    {u"auskunft", S, Svc, "de"},
    {u"beratung", S, Svc, "de"},
    {u"vermittlung", S, Svc, "de"},
    {u"empfang", S, Svc, "de"},
    {u"sekretariat", S, Svc, "*"},
    {u"büro", W, Svc, "de"},
    {u"buero", W, Svc, "de"},
    {u"erreich", S, Svc, "de"},
    {u"accueil", S, Svc, "fr"},
    {u"standard", W, Svc, "fr"},
    {u"assistan", S, Svc, "*"}, // fr "assistance", it "assistenza"
    {u"renseignement", S, Svc, "fr"},
    {u"urgence", S, Svc, "fr"},
    {u"joindre", W, Svc, "fr"},
    {u"bureau", S, Svc, "fr"},
    {u"secrétariat", S, Svc, "fr"},
    {u"sav", W, Svc, "fr"},
    {u"centralino", S, Svc, "it"},
    {u"numero verde", W, Svc, "it"},
    {u"numéro vert", W, Svc, "fr"},
    {u"contatt", S, Svc, "it"},
    {u"ufficio", S, Svc, "it"},
    {u"segreteria", S, Svc, "it"},
    {u"emergenza", S, Svc, "it"},
    {u"servizio", S, Svc, "it"},
    {u"atención", S, Svc, "es"},
    {u"atencion", S, Svc, "es"},
    {u"oficina", S, Svc, "es"},
    {u"centralita", S, Svc, "es"},
    {u"soporte", S, Svc, "es"},
    {u"urgencia", S, Svc, "es"},
    {u"servicio", S, Svc, "es"},
    {u"recepción", S, Svc, "es"},
    {u"recepcion", S, Svc, "es"},
    {u"atendimento", S, Svc, "pt"},
    {u"central", W, Svc, "pt"},
    {u"suporte", S, Svc, "pt"},
    {u"contato", S, Svc, "pt"},
    {u"escritório", S, Svc, "pt"},
    {u"receptie", S, Svc, "nl"},
    {u"kantoor", S, Svc, "nl"},
    {u"tjänst", W, Svc, "sv"},
    {u"växel", S, Svc, "sv"},
    {u"kontor", S, Svc, "*"}, // sv, da, no
    {u"biuro", S, Svc, "pl"},
    {u"infolinia", S, Svc, "pl"},
    {u"obsługa", S, Svc, "pl"},
    {u"centrala", S, Svc, "pl"},
    {u"справк", S, Svc, "ru"},
    {u"フリーダイヤル", In, Svc, "ja"},
    {u"ナビダイヤル", In, Svc, "ja"},
    {u"コールセンター", In, Svc, "ja"},
    // Identifiers, dates, prices and postcodes, named on their own.
    {u"iban", W, Id, "*"},
    {u"bic", W, Id, "*"},
    {u"swift", W, Id, "*"},
    {u"blz", W, Id, "de"},
    {u"kto", W, Id, "de"},
    {u"sort code", W, Id, "en"},
    {u"isbn", W, Id, "*"},
    {u"issn", W, Id, "*"},
    {u"ean", W, Id, "*"},
    {u"gtin", W, Id, "*"},
    {u"sku", W, Id, "*"},
    {u"upc", W, Id, "*"},
    {u"asin", W, Id, "*"},
    {u"doi", W, Id, "*"},
    {u"imei", W, Id, "*"},
    {u"ssn", W, Id, "en"},
    {u"ein", W, Id, "en"},
    {u"vat", W, Id, "en"},
    {u"tva", W, Id, "fr"},
    {u"iva", W, Id, "*"}, // it, es, pt
    {u"piva", W, Id, "it"},
    {u"btw", W, Id, "nl"},
    {u"kbo", W, Id, "nl"}, // the Belgian enterprise number, 0xxx.xxx.xxx, a mobile's shape
    {u"bce", W, Id, "fr"},
    {u"rpr", W, Id, "nl"},
    {u"rpm", W, Id, "fr"},
    {u"mwst", W, Id, "de"},
    {u"ust", W, Id, "de"},
    {u"ustid", S, Id, "de"},
    {u"idnr", W, Id, "de"},
    {u"stnr", W, Id, "de"},
    {u"amtsgericht", S, Id, "de"},
    {u"siret", W, Id, "fr"},
    {u"siren", W, Id, "fr"},
    {u"rcs", W, Id, "fr"},
    {u"ape", W, Id, "fr"},
    {u"naf", W, Id, "fr"},
    {u"cif", W, Id, "es"},
    {u"nif", W, Id, "*"},
    {u"nie", W, Id, "es"},
    {u"cnpj", W, Id, "pt"},
    {u"cpf", W, Id, "pt"},
    {u"kvk", W, Id, "nl"},
    {u"hrb", W, Id, "de"},
    {u"hra", W, Id, "de"},
    {u"abn", W, Id, "en"},
    {u"acn", W, Id, "en"},
    {u"gst", W, Id, "en"},
    {u"gstin", W, Id, "en"},
    {u"nip", W, Id, "pl"},
    {u"regon", W, Id, "pl"},
    {u"krs", W, Id, "pl"},
    {u"pesel", W, Id, "pl"},
    {u"cvr", W, Id, "da"},
    {u"orgnr", W, Id, "*"},
    {u"fiscal", S, Id, "*"}, // en, it "fiscale", es
    {u"ref", W, Id, "*"},
    {u"referen", S, Id, "*"}, // en, de "Referenz", es "referencia"
    {u"réf", W, Id, "fr"},
    {u"référen", S, Id, "fr"},
    {u"riferiment", S, Id, "it"},
    {u"aktenzeichen", S, Id, "de"},
    {u"az", W, Id, "de"},
    {u"serial", S, Id, "en"},
    {u"serien", S, Id, "de"},
    {u"s n", W, Id, "en"},
    {u"sn", W, Id, "en"},
    {u"tracking", S, Id, "*"},
    {u"localizador", W, Id, "es"},
    {u"date", S, Id, "en"},
    {u"datum", W, Id, "*"},
    {u"fecha", W, Id, "es"},
    {u"geboren", S, Id, "de"},
    {u"born", W, Id, "en"},
    {u"price", S, Id, "en"},
    {u"preis", S, Id, "de"},
    {u"prix", W, Id, "fr"},
    {u"prezzo", S, Id, "it"},
    {u"precio", S, Id, "es"},
    {u"preço", S, Id, "pt"},
    {u"prijs", W, Id, "nl"},
    {u"pris", W, Id, "sv"},
    {u"total", W, Id, "*"},
    {u"amount", W, Id, "en"},
    {u"betrag", S, Id, "de"},
    {u"summe", W, Id, "de"},
    {u"eur", W, Id, "*"},
    {u"euro", S, Id, "*"},
    {u"usd", W, Id, "*"},
    {u"gbp", W, Id, "*"},
    {u"chf", W, Id, "*"},
    {u"plz", W, Id, "de"},
    {u"zip", S, Id, "en"},
    {u"postcode", S, Id, "en"},
    {u"postal", W, Id, "*"}, // en "postal code", fr "code postal", es "código postal"
    {u"postleitzahl", S, Id, "de"},
    {u"postnummer", S, Id, "*"},
    {u"cep", W, Id, "pt"},
    {u"cap", W, Id, "it"},
    // Words that name an identifier with a number word only.
    {u"customer", S, IdW, "en"},
    {u"client", S, IdW, "*"}, // en, fr, it "cliente", es
    {u"kund", S, IdW, "*"},   // de "Kunden", sv "kund"
    {u"klant", S, IdW, "nl"},
    {u"account", W, IdW, "en"},
    {u"accounts", W, Svc, "en"},
    {u"konto", W, IdW, "*"},
    {u"rekening", S, IdW, "nl"},
    {u"cuenta", W, IdW, "es"},
    {u"conta", W, IdW, "pt"},
    {u"compte", W, IdW, "fr"},
    {u"order", W, IdW, "*"}, // en, nl, sv
    {u"orders", W, Svc, "en"},
    {u"bestell", S, IdW, "de"},
    {u"auftrag", S, IdW, "de"},
    {u"commande", W, IdW, "fr"},
    {u"commandes", W, Svc, "fr"},
    {u"pedido", W, IdW, "*"},
    {u"pedidos", W, Svc, "*"},
    {u"ordine", W, IdW, "it"},
    {u"ordini", W, Svc, "it"},
    {u"encomenda", S, IdW, "pt"},
    {u"beställ", S, IdW, "sv"},
    {u"bestilling", S, IdW, "*"},
    {u"zamówien", S, IdW, "pl"},
    {u"invoic", S, IdW, "en"},
    {u"rechnung", S, IdW, "de"},
    {u"factur", S, IdW, "*"}, // fr "facture", es "factura"
    {u"fattur", S, IdW, "it"},
    {u"fatura", S, IdW, "pt"},
    {u"faktura", S, IdW, "*"},
    {u"tax", W, IdW, "en"},
    {u"steuer", S, IdW, "de"},
    {u"umsatzsteuer", S, IdW, "de"},
    {u"impuesto", S, IdW, "es"},
    {u"impôt", S, IdW, "fr"},
    {u"skatt", S, IdW, "*"},
    {u"moms", S, IdW, "*"},
    {u"regist", S, IdW, "*"}, // en "register", "registered", it "registro", fr "registre"
    {u"handelsreg", S, IdW, "de"},
    {u"company", W, IdW, "en"},
    {u"org", W, IdW, "*"},
    {u"organi", S, IdW, "*"},
    {u"identifi", S, IdW, "*"},
    {u"member", S, IdW, "en"},
    {u"mitglied", S, IdW, "de"},
    {u"policy", S, IdW, "en"},
    {u"vertrag", S, IdW, "de"},
    {u"versicherung", S, IdW, "de"},
    {u"insurance", S, IdW, "en"},
    {u"contract", S, IdW, "en"},
    {u"contrat", W, IdW, "fr"},
    {u"contrato", W, IdW, "*"},
    {u"claim", S, IdW, "en"},
    {u"schaden", S, IdW, "de"},
    {u"ticket", S, IdW, "*"},
    {u"case", W, IdW, "en"},
    {u"dossier", W, IdW, "*"},
    {u"vorgang", S, IdW, "de"},
    {u"artikel", S, IdW, "*"},
    {u"article", S, IdW, "*"},
    {u"artículo", S, IdW, "es"},
    {u"item", W, IdW, "en"},
    {u"product", S, IdW, "*"},
    {u"produkt", S, IdW, "*"},
    {u"model", S, IdW, "*"},
    {u"part", W, IdW, "en"},
    {u"lot", W, IdW, "*"},
    {u"batch", W, IdW, "en"},
    {u"patient", S, IdW, "*"},
    {u"student", S, IdW, "*"},
    {u"employee", S, IdW, "en"},
    {u"passport", S, IdW, "en"},
    {u"licen", S, IdW, "*"},
    {u"lizenz", S, IdW, "de"},
    {u"booking", W, IdW, "en"},
    {u"bookings", W, Svc, "en"},
    {u"buchung", W, IdW, "de"},
    {u"buchungen", W, Svc, "de"},
    {u"reservation", W, IdW, "en"},
    {u"reservations", W, Svc, "en"},
    {u"reserva", W, IdW, "*"},
    {u"reservas", W, Svc, "*"},
    {u"reservierung", W, IdW, "de"},
    {u"reservierungen", W, Svc, "de"},
    {u"réservation", W, IdW, "fr"},
    {u"réservations", W, Svc, "fr"},
    {u"prenotazione", W, IdW, "it"},
    {u"prenotazioni", W, Svc, "it"},
    {u"confirmation", S, IdW, "en"},
    {u"bestätigung", S, IdW, "de"},
    {u"transa", S, IdW, "*"},
    {u"payment", S, IdW, "en"},
    {u"zahlung", S, IdW, "de"},
    {u"beleg", S, IdW, "de"},
    {u"receipt", S, IdW, "en"},
    {u"quittung", S, IdW, "de"},
    {u"voucher", S, IdW, "en"},
    {u"gutschein", S, IdW, "de"},
    {u"coupon", S, IdW, "*"},
    {u"shipment", S, IdW, "en"},
    {u"sendung", S, IdW, "de"},
    {u"paket", S, IdW, "de"},
    {u"parcel", S, IdW, "en"},
    {u"social", W, IdW, "en"},
    // Number words, abbreviated, and codes.
    {u"no", Dot, Num, "*"},
    {u"nos", Dot, Num, "en"},
    {u"nr", W, Num, "*"},
    {u"nro", W, Num, "*"},
    {u"nº", W, Num, "es"},
    {u"n", Dot, Num, "fr"},
    {u"num", W, Num, "*"},
    {u"núm", W, Num, "es"},
    {u"id", W, Num, "*"},
    {u"#", W, Num, "*"},
    {u"code", W, Num, "*"},
    {u"codice", W, Num, "it"},
    {u"código", W, Num, "es"},
    {u"kod", W, Num, "*"},
    // Number words written out.
    {u"number", S, Name, "en"},
    {u"nummer", S, Name, "*"}, // de, nl, sv, da, no
    {u"numéro", W, Name, "fr"},
    {u"numero", W, Name, "it"},
    {u"número", W, Name, "es"},
    {u"numer", W, Name, "pl"},
    {u"नंबर", W, Name, "hi"},
    {u"نمبر", W, Name, "ur"},
    // Words that stand between them, or before a number word.
    {u"a", W, Con, "*"},
    {u"à", W, Con, "fr"},
    {u"al", W, Con, "*"},
    {u"an", W, Con, "*"},
    {u"at", W, Con, "en"},
    {u"au", W, Con, "fr"},
    {u"d", W, Con, "*"},
    {u"da", W, Con, "*"},
    {u"de", W, Con, "*"},
    {u"del", W, Con, "*"},
    {u"della", W, Con, "it"},
    {u"dem", W, Con, "de"},
    {u"den", W, Con, "*"},
    {u"der", W, Con, "de"},
    {u"des", W, Con, "*"},
    {u"di", W, Con, "it"},
    {u"die", W, Con, "de"},
    {u"dla", W, Con, "pl"},
    {u"do", W, Con, "pt"},
    {u"du", W, Con, "fr"},
    {u"e", W, Con, "*"},
    {u"el", W, Con, "es"},
    {u"en", W, Con, "*"},
    {u"es", W, Con, "es"},
    {u"est", W, Con, "fr"},
    {u"et", W, Con, "fr"},
    {u"er", W, Con, "*"},
    {u"following", W, Con, "en"},
    {u"for", W, Con, "en"},
    {u"are", W, Con, "en"},
    {u"för", W, Con, "sv"},
    {u"het", W, Con, "nl"},
    {u"ihre", W, Con, "de"},
    {u"il", W, Con, "it"},
    {u"is", W, Con, "*"},
    {u"ist", W, Con, "de"},
    {u"la", W, Con, "*"},
    {u"le", W, Con, "fr"},
    {u"lo", W, Con, "*"},
    {u"my", W, Con, "en"},
    {u"new", W, Con, "en"},
    {u"neue", S, Con, "de"},
    {u"notre", W, Con, "fr"},
    {u"nostro", W, Con, "it"},
    {u"nuestro", W, Con, "es"},
    {u"nouveau", W, Con, "fr"},
    {u"nuovo", W, Con, "it"},
    {u"nuevo", W, Con, "es"},
    {u"o", W, Con, "*"},
    {u"och", W, Con, "sv"},
    {u"of", W, Con, "en"},
    {u"on", W, Con, "en"},
    {u"onze", W, Con, "nl"},
    {u"op", W, Con, "nl"},
    {u"our", W, Con, "en"},
    {u"på", W, Con, "*"},
    {u"su", W, Con, "*"},
    {u"sua", W, Con, "it"},
    {u"suo", W, Con, "it"},
    {u"the", W, Con, "en"},
    {u"this", W, Con, "en"},
    {u"to", W, Con, "en"},
    {u"under", W, Con, "*"},
    {u"unsere", S, Con, "de"},
    {u"unter", W, Con, "de"},
    {u"uw", W, Con, "nl"},
    {u"van", W, Con, "nl"},
    {u"votre", W, Con, "fr"},
    {u"your", W, Con, "en"},
    {u"è", W, Con, "it"},
    {u"é", W, Con, "pt"},
};

bool matches(const LabelEntry& entry, std::u16string_view word, bool dotted)
{
    switch (entry.match) {
    case LabelMatch::Word:
        return word == entry.text;
    case LabelMatch::Dotted:
        return dotted && word == entry.text;
    case LabelMatch::Start:
        return word.starts_with(entry.text);
    case LabelMatch::Within:
        return word.find(entry.text) != std::u16string_view::npos;
    }
    return false;
}

bool isPhrase(const LabelEntry& entry)
{
    return entry.text.find(u' ') != std::u16string_view::npos;
}

} // namespace

std::span<const LabelEntry> labelEntries()
{
    return kEntries;
}

const LabelEntry* labelEntryFor(std::u16string_view word, bool dotted)
{
    for (const LabelEntry& entry : kEntries) {
        if (!isPhrase(entry) && matches(entry, word, dotted))
            return &entry;
    }
    return nullptr;
}

const LabelEntry* labelPhraseEnding(std::span<const std::u16string_view> nearestFirst, std::size_t& taken)
{
    for (const LabelEntry& entry : kEntries) {
        if (!isPhrase(entry))
            continue;
        // Its words from the last one back.
        std::u16string_view rest = entry.text;
        std::size_t word = 0;
        while (!rest.empty() && word < nearestFirst.size()) {
            const std::size_t space = rest.rfind(u' ');
            const std::u16string_view last = space == std::u16string_view::npos ? rest : rest.substr(space + 1);
            if (nearestFirst[word] != last)
                break;
            ++word;
            rest = space == std::u16string_view::npos ? std::u16string_view() : rest.substr(0, space);
        }
        if (rest.empty()) {
            taken = word;
            return &entry;
        }
    }
    return nullptr;
}

std::vector<ShadowedEntry> shadowingLabelEntries()
{
    std::vector<ShadowedEntry> found;
    for (const LabelEntry& by : kEntries) {
        for (const LabelEntry& other : kEntries) {
            if (&by == &other || isPhrase(by) != isPhrase(other))
                continue;
            // Whether `by` matches the word `other` is written as.
            if (matches(by, other.text, true) && (by.text != other.text || &by < &other))
                found.push_back({&by, &other});
        }
    }
    return found;
}
