#!/usr/bin/env python3
"""Writes the label set: HTML pages in which telephone numbers stand under
service, order, account, tax, register and similar labels, beside customer,
order, account, invoice, case and tax numbers whose digits libphonenumber
reads as valid telephone numbers of the page's region; and expected.tsv,
which names each page, its region and its telephone numbers in E.164.

    bench/label_set/generate.py OUTPUT_DIR

Python 3's standard library only, with a fixed seed: the same script always
writes the same bytes. The committed output is bench/label_set/pages/.
"""

import html
import os
import random
import sys

SEED = 20240607
PAGES_PER_REGION = 4

# ---------------------------------------------------------------------------
# Numbers. A plan is (kind, national significant number prefix, digits to
# add, format family). Where a country keeps numbers for drama and fiction
# the plans use them (GB 020 7946 0xxx and the 496 0xxx ranges, US and CA
# 555-01xx, AU 5550 xxxx and 0491 570 xxx, FR 01 99 00 / 02 61 91 / …,
# SE 08-465 0x xx and the like); elsewhere they are numbers of a valid
# shape, most from the ranges national regulators list as examples.
# ---------------------------------------------------------------------------

REGIONS = {
    "GB": dict(cc="44", lang="en-GB", words="en", trunk="0", plans=[
        ("fixed", "2079460", 3, "gb2"), ("fixed", "1614960", 3, "gb3"), ("fixed", "1134960", 3, "gb3"),
        ("fixed", "1214960", 3, "gb3"), ("fixed", "1314960", 3, "gb3"), ("fixed", "1414960", 3, "gb3"),
        ("fixed", "1174960", 3, "gb3"), ("fixed", "2920180", 3, "gb2"), ("free", "8081570", 3, "gbfree"),
        ("nongeo", "3069990", 3, "gbfree")]),
    "US": dict(cc="1", lang="en-US", words="en", trunk="", plans=[
        ("fixed", a + "55501", 2, "nanp") for a in ("212", "312", "415", "617", "202", "303", "206", "713", "305", "512")
    ] + [("free", a + "55501", 2, "nanpfree") for a in ("800", "888", "877")]),
    "CA": dict(cc="1", lang="en-CA", words="en", trunk="", plans=[
        ("fixed", a + "55501", 2, "nanp") for a in ("416", "604", "514", "613", "403", "902", "905")
    ] + [("free", "80055501", 2, "nanpfree")]),
    "AU": dict(cc="61", lang="en-AU", words="en", trunk="0", plans=[
        ("fixed", "25550", 4, "au"), ("fixed", "35550", 4, "au"), ("fixed", "75550", 4, "au"),
        ("mobile", "491570", 3, "aumob")]),
    "DE": dict(cc="49", lang="de", words="de", trunk="0", plans=[
        ("fixed", "30", 8, "de2"), ("fixed", "40", 8, "de2"), ("fixed", "89", 7, "de2"),
        ("fixed", "69", 8, "de2"), ("fixed", "221", 7, "de3"), ("fixed", "711", 7, "de3"),
        ("fixed", "511", 7, "de3"), ("fixed", "6221", 6, "de4"), ("mobile", "151", 8, "demob"),
        ("mobile", "170", 7, "demob"), ("free", "800", 7, "defree")]),
    "AT": dict(cc="43", lang="de-AT", words="de", trunk="0", plans=[
        ("fixed", "14", 6, "at1"), ("fixed", "15", 6, "at1"), ("fixed", "662", 6, "at3"), ("fixed", "316", 6, "at3"),
        ("fixed", "732", 6, "at3"), ("mobile", "664", 7, "atmob"), ("free", "800", 6, "at3")]),
    "CH": dict(cc="41", lang="de-CH", words="de", trunk="0", plans=[
        ("fixed", "44", 7, "ch"), ("fixed", "31", 7, "ch"), ("fixed", "61", 7, "ch"),
        ("fixed", "52", 7, "ch"), ("mobile", "79", 7, "ch"), ("free", "800", 6, "chfree")]),
    "FR": dict(cc="33", lang="fr", words="fr", trunk="0", plans=[
        ("fixed", "19900", 4, "fr"), ("fixed", "26191", 4, "fr"), ("fixed", "35301", 4, "fr"),
        ("fixed", "46571", 4, "fr"), ("fixed", "53649", 4, "fr"), ("voip", "93998", 4, "fr"),
        ("mobile", "61", 7, "fr"), ("mobile", "64", 7, "fr"),
        ("mobile", "67", 7, "fr"), ("mobile", "75", 7, "fr"), ("mobile", "78", 7, "fr"), ("free", "800", 6, "frfree")]),
    "IT": dict(cc="39", lang="it", words="it", trunk="", plans=[
        ("fixed", "06", 8, "it2"), ("fixed", "02", 8, "it2"), ("fixed", "011", 7, "it3"),
        ("fixed", "055", 7, "it3"), ("fixed", "081", 7, "it3"), ("mobile", "347", 7, "itmob"),
        ("mobile", "333", 7, "itmob"), ("free", "800", 6, "itfree")]),
    "ES": dict(cc="34", lang="es", words="es", trunk="", plans=[
        ("fixed", "91", 7, "es"), ("fixed", "93", 7, "es"), ("fixed", "96", 7, "es"),
        ("fixed", "954", 6, "es"), ("mobile", "6", 8, "es"), ("free", "900", 6, "es")]),
    "NL": dict(cc="31", lang="nl", words="nl", trunk="0", plans=[
        ("fixed", "20", 7, "nl2"), ("fixed", "10", 7, "nl2"), ("fixed", "30", 7, "nl2"),
        ("fixed", "70", 7, "nl2"), ("fixed", "592", 6, "nl3"), ("mobile", "612", 6, "nlmob"), ("mobile", "642", 6, "nlmob"),
        ("mobile", "651", 6, "nlmob"),
        ("free", "800", 7, "nlfree")]),
    "SE": dict(cc="46", lang="sv", words="sv", trunk="0", plans=[
        ("fixed", "84650", 3, "se8"), ("fixed", "313900", 3, "se3"), ("fixed", "406280", 3, "se3"),
        ("fixed", "98031", 3, "se3b"), ("mobile", "701740", 3, "semob")]),
}


def groups(digits, sizes):
    out, i = [], 0
    for size in sizes:
        out.append(digits[i:i + size])
        i += size
    if i < len(digits):
        out[-1] += digits[i:]
    return out


def fmt(rng, region, plan, nsn):
    """The number written as people in the region write it; '&plus;' stands
    for an HTML character reference, everything else is plain text."""
    facts = REGIONS[region]
    cc, family, prefix = facts["cc"], plan[3], plan[1]
    plus = rng.choice(["+", "+", "+", "&plus;"]) if region == "DE" else "+"
    if family in ("nanp", "nanpfree"):
        a, b, c = nsn[:3], nsn[3:6], nsn[6:]
        return rng.choice([f"({a}) {b}-{c}", f"{a}-{b}-{c}", f"{a}.{b}.{c}", f"1-{a}-{b}-{c}",
                           f"+1 {a} {b} {c}", f"+1 ({a}) {b}-{c}", f"{a} {b} {c}", f"1 ({a}) {b}-{c}"])
    if family in ("gb2", "gb3", "gbfree"):
        n = len(prefix) - 4 if family == "gb3" else 2
        if family == "gbfree":
            area, rest = nsn[:3], groups(nsn[3:], [3, 4])
        else:
            area, rest = nsn[:n], (groups(nsn[n:], [4, 4]) if n == 2 else groups(nsn[n:], [3, 4]))
        sub = " ".join(rest)
        return rng.choice([f"0{area} {sub}", f"(0{area}) {sub}", f"+44 (0){area} {sub}", f"+44 {area} {sub}",
                           f"0{area} {''.join(rest)}", f"0{area}-{sub}"])
    if family == "au":
        a, s = nsn[:1], nsn[1:]
        return rng.choice([f"(0{a}) {s[:4]} {s[4:]}", f"0{a} {s[:4]} {s[4:]}", f"+61 {a} {s[:4]} {s[4:]}",
                           f"0{a}{s}", f"+61 ({a}) {s[:4]} {s[4:]}"])
    if family == "aumob":
        return rng.choice([f"0{nsn[:3]} {nsn[3:6]} {nsn[6:]}", f"+61 {nsn[:3]} {nsn[3:6]} {nsn[6:]}",
                           f"0{nsn}", f"0{nsn[:3]}-{nsn[3:6]}-{nsn[6:]}"])
    if family in ("de2", "de3", "de4", "demob", "defree"):
        area = prefix if family != "demob" else nsn[:3]
        sub = nsn[len(area):]
        spaced = " ".join(groups(sub, [3, 3, 2]) if len(sub) == 8 else groups(sub, [3, 2, 2]))
        choices = [f"0{area} {sub}", f"0{area}/{sub}", f"(0{area}) {spaced}", f"0{area} {spaced}",
                   f"{plus}49 {area} {sub}", f"{plus}49 (0){area} {spaced}", f"0049 {area} {sub}",
                   f"0{area} / {sub}", f"0{area}-{sub}"]
        if family in ("de2", "de3", "de4") and sub.endswith("0"):
            choices.append(f"0{area} {sub[:-1]}-0")
        return rng.choice(choices)
    if family in ("at1", "at3", "atmob"):
        area = nsn[:1] if family == "at1" else prefix
        sub = nsn[len(area):]
        spaced = " ".join(groups(sub, [3, 2, 2]) if len(sub) == 7 else groups(sub, [2, 2, 2]))
        return rng.choice([f"0{area} {spaced}", f"0{area}/{sub}", f"+43 {area} {spaced}",
                           f"+43 (0){area} {sub}", f"0{area} {sub}", f"0043 {area} {spaced}"])
    if family in ("ch", "chfree"):
        if family == "chfree":
            return rng.choice([f"0800 {nsn[3:6]} {nsn[6:]}", f"+41 800 {nsn[3:6]} {nsn[6:]}"])
        a, s = nsn[:2], nsn[2:]
        sp = f"{s[:3]} {s[3:5]} {s[5:]}"
        return rng.choice([f"0{a} {sp}", f"+41 {a} {sp}", f"+41 (0){a} {sp}", f"0041 {a} {sp}", f"0{a}/{s}"])
    if family in ("fr", "frfree"):
        d = "0" + nsn
        pairs = [d[i:i + 2] for i in range(0, 10, 2)]
        if family == "frfree":
            return rng.choice(["0 800 " + " ".join([d[4:6], d[6:8], d[8:]]), " ".join(pairs)])
        return rng.choice([" ".join(pairs), ".".join(pairs), "-".join(pairs), d,
                           "+33 " + nsn[0] + " " + " ".join(pairs[1:]),
                           "+33 (0)" + nsn[0] + " " + " ".join(pairs[1:])])
    if family in ("it2", "it3", "itmob", "itfree"):
        a = {"it2": 2, "it3": 3, "itmob": 3, "itfree": 3}[family]
        area, sub = nsn[:a], nsn[a:]
        if family == "itfree":
            return rng.choice([f"{area} {sub[:3]} {sub[3:]}", f"{area}{sub}", f"{area}.{sub[:3]}.{sub[3:]}"])
        return rng.choice([f"{area} {sub}", f"{area}/{sub}", f"{area}-{sub}", f"+39 {area} {sub}",
                           f"{area} {sub[:4]} {sub[4:]}" if len(sub) == 8 else f"{area} {sub[:3]} {sub[3:]}",
                           f"(+39) {area} {sub}", f"{area}{sub}"])
    if family == "es":
        return rng.choice([f"{nsn[:3]} {nsn[3:6]} {nsn[6:]}", f"{nsn[:2]} {nsn[2:5]} {nsn[5:7]} {nsn[7:]}",
                           f"+34 {nsn[:3]} {nsn[3:6]} {nsn[6:]}", f"+34 {nsn}", f"(+34) {nsn[:3]} {nsn[3:]}",
                           f"{nsn[:3]} {nsn[3:5]} {nsn[5:7]} {nsn[7:]}", nsn])
    if family in ("nl2", "nl3", "nlmob", "nlfree"):
        a = {"nl2": 2, "nl3": 3, "nlmob": 1, "nlfree": 3}[family]
        area, sub = nsn[:a], nsn[a:]
        if family == "nlmob":
            return rng.choice([f"06-{sub}", f"06 {sub[:4]} {sub[4:]}", f"+31 6 {sub[:4]} {sub[4:]}", f"06 - {sub}"])
        if family == "nlfree":
            return rng.choice([f"0800-{sub}", f"0800 {sub[:3]} {sub[3:]}"])
        sp = f"{sub[:3]} {sub[3:]}" if len(sub) == 7 else f"{sub[:3]} {sub[3:]}"
        return rng.choice([f"0{area} {sp}", f"0{area}-{sub}", f"(0{area}) {sp}", f"+31 (0){area} {sp}",
                           f"+31 {area} {sp}", f"0{area} - {sub}"])
    if family in ("se8", "se3", "se3b", "semob"):
        a = {"se8": 1, "se3": 2, "se3b": 3, "semob": 2}[family]
        area, sub = nsn[:a], nsn[a:]
        sp = " ".join(groups(sub, {5: [3, 2], 6: [2, 2, 2], 7: [3, 2, 2]}.get(len(sub), [3, 3, 2])))
        return rng.choice([f"0{area}-{sp}", f"0{area} {sp}", f"+46 {area} {sp}", f"+46 (0){area} {sp}",
                           f"0{area}-{sub}"])
    raise ValueError(family)


def plain_national(region, nsn):
    """The digits as a national number, run together: what an identifier with
    the same digits looks like."""
    trunk = REGIONS[region]["trunk"]
    return trunk + nsn


# ---------------------------------------------------------------------------
# Words. phone: labels a telephone number stands under; ident: labels of
# identifiers (an identifier word with a number word). The sentences put a
# telephone number ({n}) or an identifier ({L} {id}) into running text.
# ---------------------------------------------------------------------------

WORDS = {
    "en": dict(
        phone=["Customer service", "Customer care", "Customer services", "Orders", "Order line", "Order hotline",
               "Accounts department", "Account enquiries", "Billing enquiries", "Tax helpline", "Register office",
               "Registrar", "Front desk", "Reception", "Bookings", "Reservations", "Sales", "Technical support",
               "Helpline", "Switchboard", "Returns", "Complaints line", "Out of hours", "Customer service number",
               "Phone", "Tel.", "Telephone", "Call us", "Freephone", "Service desk", "Head office", "Lost property",
               "Tax office", "Tax enquiries", "Company registry", "Register office (births and deaths)"],
        fax=["Fax", "Fax number", "Facsimile"],
        ident=["Customer number", "Customer no.", "Customer ID", "Account number", "Account no.", "Order number",
               "Order no.", "Order #", "Invoice number", "Invoice no.", "Case number", "Case reference",
               "Reference number", "Policy number", "Tax ID", "VAT number", "VAT reg. no.",
               "Company registration number", "Booking reference", "Confirmation number", "Tracking number",
               "Membership number", "Claim number", "Ticket number", "Meter number", "Member ID"],
        phone_sent=["For orders, call our order line on {n}.",
                    "Questions about your bill? Call our accounts department on {n} (Mon–Fri 9am–5pm).",
                    "Our customer care team is on {n}, seven days a week.",
                    "To book a table, ring reception on {n}.",
                    "Out of hours, please call {n}.",
                    "You can reach the register office on {n} to book an appointment.",
                    "For account enquiries, phone {n} between 8am and 6pm.",
                    "The tax helpline is open until 8pm: {n}.",
                    "Lost your card? Call us straight away on {n}.",
                    "Orders: {n} (lines open 8am–8pm)."],
        ident_sent=["Please quote your {L} {id} on all correspondence.",
                    "Your {L} is {id}.",
                    "{L} {id} was dispatched on 12 March 2024.",
                    "We have received your payment of £48.20 for {L} {id}.",
                    "When paying by bank transfer, use {L} {id} as the reference.",
                    "Thank you! Your {L} {id} has been confirmed for 3 guests.",
                    "The refund for {L} {id} will reach your account within 5 working days."],
        mixed=["Please have your {L} {id} ready when you call {n}.",
               "If you have a question about {L} {id}, call customer services on {n}.",
               "Call {n} and quote {L} {id}."],
        cross_phone=["Questions? Our customer service team will be glad to help.",
                     "Need help with your order? Call our friendly team.",
                     "Our reception is staffed around the clock."],
        cross_ident=["Please have your account number to hand.",
                     "You will find your customer number on every invoice.",
                     "Quote the order number from your confirmation e-mail."],
        hours=["Mon–Fri 9am–5pm", "lines open 8am–8pm", "24 hours", "Monday to Saturday, 8.30am–6pm"],
        titles=["Contact us", "Your order", "Your account", "Billing and payments", "Visit us"],
        misc=["Opening hours: Monday–Friday 9:00–17:30, Saturday 10:00–16:00.",
              "Prices from £19.99 including VAT at 20%.", "Last updated 14/03/2024.",
              "Version 2.4.1 of our app is now available.", "Parking: levels 2–4, 350 spaces."]),
    "de": dict(
        phone=["Kundenservice", "Kundenhotline", "Kundendienst", "Service-Hotline", "Servicenummer",
               "Bestellhotline", "Bestellannahme", "Buchhaltung", "Rechnungsfragen", "Zentrale", "Empfang",
               "Rezeption", "Notruf", "Störungsannahme", "Standesamt", "Finanzamt Servicezentrum", "Telefon",
               "Tel.", "Fon", "Kundenservice-Nummer", "Kostenlose Rufnummer", "Hotline", "Sekretariat",
               "Vertrieb", "Mobil", "Handy", "Bereitschaftsdienst", "Steuerabteilung", "Steuerberatung",
               "Registergericht", "Einwohnermeldeamt"],
        fax=["Telefax", "Fax", "Fax-Nr."],
        ident=["Kundennummer", "Kunden-Nr.", "Kd.-Nr.", "Bestellnummer", "Bestell-Nr.", "Auftragsnummer",
               "Rechnungsnummer", "Rechnungs-Nr.", "Vertragsnummer", "Vertragskontonummer", "Kontonummer",
               "Aktenzeichen", "Steuernummer", "Versicherungsnummer", "Zählernummer", "Sendungsnummer",
               "Mitgliedsnummer", "Vorgangsnummer", "Belegnummer", "Buchungsnummer", "Referenznummer"],
        phone_sent=["Für Bestellungen erreichen Sie uns unter {n}.",
                    "Fragen zur Rechnung? Unsere Buchhaltung erreichen Sie unter {n} (Mo–Fr 8–16 Uhr).",
                    "Unser Kundendienst ist unter {n} für Sie da.",
                    "Im Notfall rufen Sie bitte {n} an.",
                    "Termine beim Standesamt vereinbaren Sie telefonisch unter {n}.",
                    "Die Kundenhotline ist rund um die Uhr unter {n} erreichbar.",
                    "Störungen melden Sie bitte unter {n}.",
                    "Zimmerreservierungen nimmt die Rezeption unter {n} entgegen.",
                    "Rufen Sie uns an: {n}"],
        ident_sent=["Bitte geben Sie bei jeder Zahlung Ihre {L} {id} an.",
                    "Ihre {L} lautet {id}.",
                    "Die Lieferung zur {L} {id} wurde am 12.03.2024 versandt.",
                    "Wir haben Ihre Zahlung über 48,20 € zur {L} {id} erhalten.",
                    "{L}: {id} (bitte bei Rückfragen angeben)",
                    "Die Gutschrift zur {L} {id} erfolgt innerhalb von 5 Werktagen."],
        mixed=["Bitte halten Sie Ihre {L} {id} bereit, wenn Sie uns unter {n} anrufen.",
               "Bei Fragen zur {L} {id} wenden Sie sich an den Kundenservice unter {n}.",
               "Rufen Sie {n} an und nennen Sie die {L} {id}."],
        cross_phone=["Fragen? Unser Kundenservice hilft Ihnen gern weiter.",
                     "Sie erreichen unsere Hotline werktags von 8 bis 20 Uhr.",
                     "Die Rezeption ist rund um die Uhr besetzt."],
        cross_ident=["Bitte halten Sie Ihre Kundennummer bereit.",
                     "Ihre Vertragsnummer finden Sie auf jeder Rechnung.",
                     "Geben Sie die Bestellnummer aus Ihrer Bestätigung an."],
        hours=["Mo–Fr 8–18 Uhr", "werktags 9–17 Uhr", "rund um die Uhr", "Mo–Sa 8:00–20:00"],
        titles=["Kontakt", "Ihre Bestellung", "Ihr Kundenkonto", "Rechnung", "Impressum"],
        misc=["Öffnungszeiten: Mo–Fr 9:00–18:00, Sa 10:00–14:00.", "Preis 1.299,00 € inkl. 19 % MwSt.",
              "Stand: 14.03.2024", "Amtsgericht Charlottenburg HRB 123456 B", "Version 3.2.1 vom 02.01.2024",
              "IBAN DE89 3704 0044 0532 0130 00 · BIC COBADEFFXXX"]),
    "fr": dict(
        phone=["Service client", "Service clientèle", "Service consommateurs", "Standard", "Accueil", "Réception",
               "Commandes", "Service commandes", "Comptabilité", "Service facturation", "Réservations",
               "Service après-vente", "Urgences", "Téléphone", "Tél.", "Portable", "Numéro vert",
               "Numéro de téléphone", "Ligne directe", "Secrétariat", "Assistance technique",
               "Service des impôts", "Greffe du tribunal", "État civil"],
        fax=["Fax", "Télécopie", "Télécopieur"],
        ident=["Numéro client", "N° client", "N° de commande", "Numéro de commande", "Numéro de facture",
               "N° de facture", "N° de dossier", "Numéro de contrat", "N° de compte", "Référence client",
               "N° TVA", "SIREN", "N° de suivi", "Numéro d'adhérent", "N° de sinistre", "Numéro de réservation"],
        phone_sent=["Pour passer commande, appelez le {n}.",
                    "Une question sur votre facture ? Contactez la comptabilité au {n} (du lundi au vendredi de 9h à 17h).",
                    "Notre service client est joignable au {n}.",
                    "Pour réserver, appelez la réception au {n}.",
                    "En dehors des heures d'ouverture : {n}.",
                    "Le service après-vente répond au {n} du lundi au samedi.",
                    "Numéro vert : {n} (appel gratuit)."],
        ident_sent=["Merci de rappeler votre {L} {id} dans toute correspondance.",
                    "Votre {L} est le {id}.",
                    "Le colis ({L} {id}) a été expédié le 12/03/2024.",
                    "Nous avons bien reçu votre paiement de 48,20 € pour le {L} {id}.",
                    "{L} : {id} (à rappeler lors de tout contact)"],
        mixed=["Munissez-vous de votre {L} {id} avant d'appeler le {n}.",
               "Pour toute question sur le {L} {id}, contactez le service client au {n}."],
        cross_phone=["Une question ? Notre service client vous répond.",
                     "La réception est ouverte 24h/24."],
        cross_ident=["Munissez-vous de votre numéro client.",
                     "Votre numéro de contrat figure sur chaque facture."],
        hours=["du lundi au vendredi de 9h à 18h", "24h/24", "lun.–sam. 8h30–19h"],
        titles=["Nous contacter", "Votre commande", "Votre compte", "Facturation", "Mentions légales"],
        misc=["Horaires : du lundi au vendredi 9h00–12h30 et 14h00–18h00.", "Prix : 1 299,00 € TTC (TVA 20 %).",
              "Mis à jour le 14/03/2024.", "RCS Paris B 552 100 554 – capital de 40 000 €",
              "IBAN FR76 3000 6000 0112 3456 7890 189"]),
    "it": dict(
        phone=["Servizio clienti", "Assistenza clienti", "Numero verde", "Centralino", "Ufficio ordini", "Ordini",
               "Amministrazione", "Ufficio contabilità", "Reception", "Prenotazioni", "Tel.", "Telefono",
               "Cellulare", "Numero di telefono", "Pronto intervento", "Segreteria", "Ufficio anagrafe",
               "Ufficio tributi", "Registro imprese"],
        fax=["Fax", "Telefax"],
        ident=["Codice cliente", "Numero cliente", "Numero ordine", "N. ordine", "Numero fattura", "Fattura n.",
               "Numero pratica", "Numero contratto", "Partita IVA", "P.IVA", "Codice utente",
               "Numero di protocollo", "Numero polizza", "Numero prenotazione", "Numero tessera"],
        phone_sent=["Per ordinare è possibile chiamare il numero {n}.",
                    "Per informazioni sulla fattura chiamare il numero {n} dal lunedì al venerdì.",
                    "Il servizio clienti risponde al numero verde {n}.",
                    "Per prenotazioni contattare la reception al {n}.",
                    "Fuori orario chiamare il {n}.",
                    "Per appuntamenti chiamare il numero {n} dalle 9 alle 13."],
        ident_sent=["Indicare sempre il {L} {id} nella causale del bonifico.",
                    "Il suo {L} è {id}.",
                    "L'ordine con {L} {id} è stato spedito il 12/03/2024.",
                    "Abbiamo ricevuto il pagamento di € 48,20 relativo al {L} {id}.",
                    "{L}: {id}"],
        mixed=["Tenga a portata di mano il {L} {id} quando chiama il numero {n}.",
               "Per il {L} {id} contattare l'assistenza clienti al {n}."],
        cross_phone=["Domande? Il nostro servizio clienti è a disposizione.",
                     "La reception è aperta 24 ore su 24."],
        cross_ident=["Tenga a portata di mano il codice cliente.",
                     "Il numero di contratto è riportato su ogni fattura."],
        hours=["dal lunedì al venerdì 9–18", "24 ore su 24", "lun–sab 8.30–19.30"],
        titles=["Contatti", "Il tuo ordine", "Il tuo account", "Fatturazione", "Note legali"],
        misc=["Orari: lun–ven 9:00–13:00 e 14:30–18:00.", "Prezzo € 1.299,00 IVA 22% inclusa.",
              "Aggiornato il 14/03/2024.", "Capitale sociale € 10.000,00 i.v. – REA MI-1234567",
              "IBAN IT60 X054 2811 1010 0000 0123 456"]),
    "es": dict(
        phone=["Atención al cliente", "Servicio de atención al cliente", "Pedidos", "Centralita", "Recepción",
               "Reservas", "Contabilidad", "Facturación", "Teléfono", "Tel.", "Móvil", "Número de teléfono",
               "Línea gratuita", "Urgencias", "Secretaría", "Servicio técnico", "Oficina de tributos",
               "Registro Civil"],
        fax=["Fax"],
        ident=["Número de cliente", "Nº de cliente", "Nº de pedido", "Número de pedido", "Número de factura",
               "Factura nº", "Nº de expediente", "Número de contrato", "Referencia", "Número de póliza",
               "Localizador", "Número de socio", "Nº de seguimiento", "Código de cliente"],
        phone_sent=["Para hacer un pedido, llame al {n}.",
                    "Para dudas sobre su factura, contacte con facturación en el {n} (de lunes a viernes de 9 a 14 h).",
                    "Nuestro servicio de atención al cliente le atiende en el {n}.",
                    "Para reservas, llame a recepción al {n}.",
                    "Fuera de horario: {n}.",
                    "Puede pedir cita llamando al teléfono {n}."],
        ident_sent=["Indique su {L} {id} en todas sus comunicaciones.",
                    "Su {L} es el {id}.",
                    "El envío con {L} {id} salió el 12/03/2024.",
                    "Hemos recibido su pago de 48,20 € para el {L} {id}.",
                    "{L}: {id}"],
        mixed=["Tenga a mano su {L} {id} cuando llame al {n}.",
               "Si tiene dudas sobre el {L} {id}, llame a atención al cliente al {n}."],
        cross_phone=["¿Dudas? Nuestro equipo de atención al cliente le ayudará.",
                     "La recepción está abierta las 24 horas."],
        cross_ident=["Tenga a mano su número de cliente.",
                     "Su número de contrato aparece en cada factura."],
        hours=["de lunes a viernes de 9 a 18 h", "24 horas", "L–S 8:30–20:00"],
        titles=["Contacto", "Su pedido", "Su cuenta", "Facturación", "Aviso legal"],
        misc=["Horario: de lunes a viernes de 9:00 a 14:00.", "Precio 1.299,00 € IVA incluido (21 %).",
              "Actualizado el 14/03/2024.", "Inscrita en el Registro Mercantil de Madrid, tomo 12345, folio 67",
              "IBAN ES91 2100 0418 4502 0005 1332"]),
    "nl": dict(
        phone=["Klantenservice", "Bestellingen", "Receptie", "Administratie", "Boekhouding", "Servicedesk",
               "Storingsdienst", "Telefoon", "Tel.", "Mobiel", "Gratis nummer", "Spoed", "Klantenservicenummer",
               "Secretariaat", "Verkoop", "Belastingbalie", "Burgerzaken"],
        fax=["Fax", "Faxnummer"],
        ident=["Klantnummer", "Ordernummer", "Bestelnummer", "Factuurnummer", "Dossiernummer", "Contractnummer",
               "Polisnummer", "Kenmerk", "Zaaknummer", "Lidnummer", "Reserveringsnummer", "Debiteurnummer",
               "Referentienummer", "Trackingnummer"],
        phone_sent=["Bestellen? Bel ons op {n}.",
                    "Vragen over uw factuur? Bel de administratie op {n} (ma–vr 9.00–17.00 uur).",
                    "Onze klantenservice is bereikbaar op {n}.",
                    "Voor reserveringen belt u de receptie op {n}.",
                    "Buiten kantooruren: {n}.",
                    "Storingen meldt u via {n}."],
        ident_sent=["Vermeld bij betaling altijd uw {L} {id}.",
                    "Uw {L} is {id}.",
                    "De zending met {L} {id} is op 12-03-2024 verstuurd.",
                    "Wij hebben uw betaling van € 48,20 voor {L} {id} ontvangen.",
                    "{L}: {id}"],
        mixed=["Houd uw {L} {id} bij de hand als u belt naar {n}.",
               "Vragen over {L} {id}? Bel de klantenservice op {n}."],
        cross_phone=["Vragen? Onze klantenservice helpt u graag.",
                     "De receptie is 24 uur per dag bereikbaar."],
        cross_ident=["Houd uw klantnummer bij de hand.",
                     "Uw contractnummer staat op elke factuur."],
        hours=["ma–vr 9.00–17.00 uur", "24 uur per dag", "ma–za 8.30–18.00"],
        titles=["Contact", "Uw bestelling", "Uw account", "Facturen", "Colofon"],
        misc=["Openingstijden: ma–vr 9.00–17.30 uur.", "Prijs € 1.299,00 incl. 21% btw.",
              "Bijgewerkt op 14-03-2024.", "KvK 12345678 · btw NL123456789B01",
              "IBAN NL91 ABNA 0417 1643 00"]),
    "sv": dict(
        phone=["Kundtjänst", "Växel", "Kontor", "Reception", "Beställningar", "Ekonomiavdelningen",
               "Fakturafrågor", "Telefon", "Tel.", "Mobil", "Jour", "Felanmälan", "Support", "Bokning", "Skattefrågor",
               "Folkbokföring"],
        fax=["Fax", "Telefax"],
        ident=["Kundnummer", "Ordernummer", "Fakturanummer", "Ärendenummer", "OCR-nummer", "Avtalsnummer",
               "Kundnr", "Referensnummer", "Bokningsnummer", "Medlemsnummer", "Försäkringsnummer",
               "Kollinummer"],
        phone_sent=["Beställ genom att ringa {n}.",
                    "Frågor om din faktura? Ring ekonomiavdelningen på {n} (vardagar 9–16).",
                    "Kundtjänst nås på {n}.",
                    "Vårt kontor nås på telefon {n}.",
                    "Ring receptionen på {n} för bokning.",
                    "Felanmälan dygnet runt: {n}."],
        ident_sent=["Ange alltid ditt {L} {id} vid betalning.",
                    "Ditt {L} är {id}.",
                    "Paketet med {L} {id} skickades 2024-03-12.",
                    "Vi har tagit emot din betalning på 482 kr för {L} {id}.",
                    "{L}: {id}"],
        mixed=["Ha ditt {L} {id} till hands när du ringer {n}.",
               "Frågor om {L} {id}? Ring kundtjänst på {n}."],
        cross_phone=["Frågor? Vår kundtjänst hjälper dig gärna.",
                     "Receptionen är öppen dygnet runt."],
        cross_ident=["Ha ditt kundnummer till hands.",
                     "Ditt avtalsnummer står på varje faktura."],
        hours=["vardagar 9–16", "dygnet runt", "mån–fre 8.00–17.00"],
        titles=["Kontakta oss", "Din beställning", "Ditt konto", "Fakturor", "Om oss"],
        misc=["Öppettider: mån–fre 9.00–17.00.", "Pris 1 299 kr inkl. moms 25 %.",
              "Uppdaterad 2024-03-14.", "Org.nr 556123-4567", "Bankgiro 5050-1055"]),
}


# For the counts in labels.tsv: the kind of each label, by its words.
PHONE_KINDS = [
    ("fax", ("fax", "facsimile", "télécop")),
    ("mobile", ("mobil", "handy", "portable", "cellulare", "móvil", "mobiel")),
    ("freephone", ("freephone", "kostenlose", "numéro vert", "verde", "gratuit", "gratis")),
    ("order", ("order", "bestell", "commande", "ordini", "pedido", "beställ")),
    ("account / billing", ("account", "billing", "buchhaltung", "rechnung", "comptab", "facturation",
                           "amministrazione", "contabil", "facturac", "administratie", "boekhouding", "ekonomi", "faktura")),
    ("tax", ("tax", "finanzamt", "steuer", "impôt", "tribut", "belasting", "skatt")),
    ("register office", ("regist", "standesamt", "anagrafe", "einwohner", "greffe", "état civil", "burgerzaken",
                         "folkbok")),
    ("reception / bookings", ("front desk", "reception", "empfang", "rezeption", "accueil", "réception",
                              "recepción", "receptie", "booking", "reservation", "réservation", "prenotazion",
                              "reservas", "bokning")),
    ("switchboard / office", ("switchboard", "head office", "zentrale", "standard", "centralino", "centralita",
                              "växel", "kontor", "sekretariat", "secrétariat", "segreteria", "secretaría",
                              "secretariaat", "vertrieb", "sales", "verkoop", "ligne directe")),
    ("emergency / out of hours", ("notruf", "urgence", "urgencia", "pronto intervento", "spoed", "jour",
                                  "out of hours", "bereitschaft", "störung", "storing", "felanmälan")),
    ("customer service / helpline", ("service", "care", "hotline", "helpline", "kunden", "client", "clienti",
                                     "cliente", "servicio", "klant", "kundtjänst", "support", "assistenza", "assistance",
                                     "returns", "complaints", "lost property", "call us", "servicedesk")),
]
IDENT_KINDS = [
    ("tax / VAT / company", ("tax", "vat", "steuer", "tva", "siren", "iva", "company")),
    ("invoice", ("invoice", "rechnung", "facture", "fattura", "factura", "factuur", "faktura", "beleg")),
    ("order / shipment", ("order", "bestel", "auftrag", "commande", "ordine", "pedido", "sendung", "tracking",
                          "suivi", "seguimiento", "kolli")),
    ("customer", ("customer", "kunden", "kd.", "client", "cliente", "klant", "kund", "member", "mitglied",
                  "adhérent", "socio", "lid", "medlem", "utente", "tessera")),
    ("account / contract / policy", ("account", "konto", "compte", "contrat", "contratto", "contrato",
                                     "contract", "vertrag", "avtal", "policy", "polic", "polizza", "póliza", "polis",
                                     "versicherung", "försäkring", "meter", "zähler", "ocr", "debiteur")),
    ("case / file / reference", ("case", "akten", "vorgang", "dossier", "pratica", "expediente", "zaak",
                                 "ärende", "reference", "referenz", "référence", "referencia", "referentie",
                                 "referens", "kenmerk", "protocollo", "claim", "sinistre", "ticket")),
    ("booking / confirmation", ("booking", "buchung", "réservation", "prenotazione", "localizador",
                                "reservering", "bokning", "confirmation")),
]


def label_kind(label, kinds):
    low = label.lower()
    if low.startswith("("):
        return label.strip("()")
    for kind, words in kinds:
        if any(w in low for w in words):
            return kind
    return "telephone, no other word" if kinds is PHONE_KINDS else "other"


class Numbers:
    """Hands out distinct numbers of a region, for telephone numbers and for
    identifiers alike (an identifier here is a valid number's digits)."""

    def __init__(self, rng):
        self.rng = rng
        self.used = set()

    def take(self, region, kinds=None):
        plans = [p for p in REGIONS[region]["plans"] if kinds is None or p[0] in kinds]
        for _ in range(1000):
            plan = self.rng.choice(plans)
            digits = [self.rng.choice("0123456789") for _ in range(plan[2])]
            if region in ("DE", "AT", "CH", "IT", "ES", "NL") or (region == "FR" and plan[0] == "mobile"):
                digits[0] = self.rng.choice("123456789")  # no subscriber number there starts with 0
            nsn = plan[1] + "".join(digits)
            if region in ("US", "CA") and nsn[3:8] != "55501":
                continue
            if nsn not in self.used:
                self.used.add(nsn)
                return plan, nsn
        raise RuntimeError("ran out of numbers")


def e164(region, nsn):
    return "+" + REGIONS[region]["cc"] + nsn


def ident_text(rng, region, nsn, label):
    """An identifier with a valid number's digits, written as identifiers are."""
    digits = plain_national(region, nsn)
    if label.endswith("#"):
        return digits if rng.random() < 0.5 else "#" + digits
    if label in ("VAT number", "VAT reg. no.", "N° TVA") and region in ("GB", "FR"):
        return ("GB " if region == "GB" else "FR ") + nsn
    style = rng.random()
    if style < 0.65:
        return digits
    if style < 0.8:
        return digits[:4] + "-" + digits[4:]
    if style < 0.9:
        return digits[:3] + " " + digits[3:7] + " " + digits[7:] if len(digits) > 8 else digits
    return digits[:-2] + "-" + digits[-2:]


MOBILE_WORDS = {"Mobile", "Mobil", "Handy", "Portable", "Cellulare", "Móvil", "Mobiel"}
FREE_WORDS = {"Freephone", "Kostenlose Rufnummer", "Numéro vert", "Numero verde", "Línea gratuita", "Gratis nummer"}
GENERIC_WORDS = {"Phone", "Tel.", "Telephone", "Call us", "Telefon", "Fon", "Téléphone", "Tél.", "Telefono",
                 "Teléfono", "Telefoon", "Numéro de téléphone", "Numero di telefono", "Número de teléfono"}


def kinds_for(label):
    """The kinds of number a label is put over: a mobile label over mobiles, a
    freephone label over freephone numbers, a fax label over fixed lines."""
    if label in MOBILE_WORDS:
        return ("mobile",)
    if label in FREE_WORDS:
        return ("free",)
    if label in GENERIC_WORDS:
        return None
    if label in ("Fax", "Fax number", "Facsimile", "Telefax", "Fax-Nr.", "Télécopie", "Télécopieur", "Faxnummer"):
        return ("fixed",)
    return ("fixed", "free", "nongeo", "voip")


class Page:
    def __init__(self, rng, region, numbers, index):
        self.rng, self.region, self.numbers = rng, region, numbers
        self.words = WORDS[REGIONS[region]["words"]]
        self.blocks, self.phones, self.idents = [], [], []
        self.index = index
        self.kinds = {}

    def phone(self, kinds=None):
        plan, nsn = self.numbers.take(self.region, kinds)
        self.phones.append(e164(self.region, nsn))
        return fmt(self.rng, self.region, plan, nsn), e164(self.region, nsn)

    def ident(self, label):
        plan, nsn = self.numbers.take(self.region, ("fixed", "mobile"))
        self.idents.append(e164(self.region, nsn))
        return ident_text(self.rng, self.region, nsn, label)

    def count(self, what, label):
        for key in (label, "kind: " + label_kind(label, PHONE_KINDS if what == "phone" else IDENT_KINDS)):
            self.kinds.setdefault(what, {}).setdefault(key, 0)
            self.kinds[what][key] += 1

    def esc(self, text):
        return html.escape(text, quote=False)

    def inline(self, label):
        """A label inside a sentence: lower case where the language writes it
        so (not German nouns, not abbreviations like P.IVA, SIREN or NIF)."""
        if self.words is WORDS["de"] or len(label) < 2 or not label[1].islower():
            return label
        return label[0].lower() + label[1:]

    def fill(self, template, **values):
        # Escape the template's own text, keep the numbers (which may hold &plus;).
        out = self.esc(template)
        for key, value in values.items():
            out = out.replace("{" + key + "}", value if key == "n" else self.esc(value))
        return out

    # Blocks -----------------------------------------------------------------

    def phone_label(self, extra=()):
        """A telephone label, with the kinds of number it may stand over."""
        kinds_here = {p[0] for p in REGIONS[self.region]["plans"]}
        while True:
            label = self.rng.choice(self.words["phone"] + list(extra))
            kinds = kinds_for(label)
            if kinds is None or kinds_here & set(kinds):
                return label, kinds

    def labelled_phone(self):
        label, kinds = self.phone_label()
        n, _ = self.phone(kinds)
        self.count("phone", label)
        sep = self.rng.choice([": ", ": ", " ", " – "])
        self.blocks.append(f"<p>{self.esc(label)}{sep}{n}</p>")

    def tel_link(self):
        label, kinds = self.phone_label()
        n, plus = self.phone(kinds)
        self.count("phone", label)
        if self.rng.random() < 0.3:
            # the link's text has no digits; the number is only in the href
            self.blocks.append(f'<p><a href="tel:{plus}">{self.esc(label)}</a></p>')
        else:
            self.blocks.append(f'<p>{self.esc(label)}: <a href="tel:{plus}">{n}</a></p>')

    def phone_sentence(self):
        template = self.rng.choice(self.words["phone_sent"])
        free = any(w in template for w in ("verde", "vert", "gratuit"))
        n, _ = self.phone(("free",) if free else ("fixed", "free", "nongeo", "voip"))
        self.count("phone", "(sentence: " + label_kind(template, PHONE_KINDS) + ")")
        self.blocks.append("<p>" + self.fill(template, n=n) + "</p>")

    def ident_sentence(self):
        label = self.rng.choice(self.words["ident"])
        template = self.rng.choice(self.words["ident_sent"])
        self.count("ident", label)
        text = self.fill(template, L=self.inline(label), id=self.ident(label))
        self.blocks.append("<p>" + text[:1].upper() + text[1:] + "</p>")

    def mixed_sentence(self):
        label = self.rng.choice(self.words["ident"])
        template = self.rng.choice(self.words["mixed"])
        n, _ = self.phone(("fixed", "free", "nongeo", "voip"))
        self.count("ident", label)
        self.count("phone", "(sentence beside an identifier)")
        self.blocks.append("<p>" + self.fill(template, L=self.inline(label), id=self.ident(label), n=n) + "</p>")

    def rows(self, tag):
        """A table, definition list or list mixing numbers and identifiers."""
        items = []
        for _ in range(self.rng.randint(3, 5)):
            if self.rng.random() < 0.5:
                label, kinds = self.phone_label(self.words["fax"])
                value, _ = self.phone(kinds)
                self.count("phone", label)
                items.append((self.esc(label), value))
            else:
                label = self.rng.choice(self.words["ident"])
                self.count("ident", label)
                items.append((self.esc(label), self.esc(self.ident(label))))
        if tag == "table":
            body = "".join(f"<tr><th>{l}</th><td>{v}</td></tr>" for l, v in items)
            self.blocks.append(f"<table>{body}</table>")
        elif tag == "dl":
            body = "".join(f"<dt>{l}</dt><dd>{v}</dd>" for l, v in items)
            self.blocks.append(f"<dl>{body}</dl>")
        else:
            body = "".join(f"<li>{l}: {v}</li>" for l, v in items)
            self.blocks.append(f"<ul>{body}</ul>")

    def cross(self):
        """A label in one paragraph that must not decide for the number in the
        next: a service sentence before an identifier, an identifier sentence
        before a bare telephone number, a service heading over an identifier."""
        choice = self.rng.randrange(3)
        if choice == 0:
            label = self.rng.choice(self.words["ident"])
            self.count("ident", label + " (after a service paragraph)")
            self.blocks.append("<p>" + self.esc(self.rng.choice(self.words["cross_phone"])) + "</p>"
                               f"<p>{self.esc(label)}: {self.esc(self.ident(label))}</p>")
        elif choice == 1:
            n, _ = self.phone()
            self.count("phone", "(bare, after an identifier paragraph)")
            self.blocks.append("<p>" + self.esc(self.rng.choice(self.words["cross_ident"])) + "</p>"
                               f"<p>{n} · {self.esc(self.rng.choice(self.words['hours']))}</p>")
        else:
            heading = self.rng.choice(self.words["phone"][:12])
            label = self.rng.choice(self.words["ident"])
            self.count("ident", label + " (under a service heading)")
            self.blocks.append(f"<h3>{self.esc(heading)}</h3>"
                               f"<p>{self.esc(label)} {self.esc(self.ident(label))}</p>")

    def fax_line(self):
        label = self.rng.choice(self.words["fax"])
        n, _ = self.phone(("fixed",))
        self.count("phone", label)
        self.blocks.append(f"<p>{self.esc(label)}: {n}</p>")

    def misc(self):
        self.blocks.append("<p>" + self.esc(self.rng.choice(self.words["misc"])) + "</p>")

    def build(self):
        steps = [self.labelled_phone, self.ident_sentence, self.tel_link, self.phone_sentence,
                 self.mixed_sentence, lambda: self.rows("table"), self.cross, self.ident_sentence,
                 self.labelled_phone, lambda: self.rows("dl"), self.cross, self.misc, self.phone_sentence,
                 lambda: self.rows("ul"), self.ident_sentence, self.cross, self.fax_line, self.misc,
                 self.mixed_sentence, self.ident_sentence]
        for step in steps:
            step()
        title = self.words["titles"][self.index % len(self.words["titles"])]
        lang = REGIONS[self.region]["lang"]
        body = "\n".join(self.blocks)
        return (f'<!DOCTYPE html><html lang="{lang}"><head><meta charset="utf-8">'
                f"<title>{self.esc(title)}</title></head><body>\n<h1>{self.esc(title)}</h1>\n{body}\n</body></html>\n")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: generate.py OUTPUT_DIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    rng = random.Random(SEED)
    numbers = Numbers(rng)
    lines = ["# page\tregion\tevery telephone or fax number on it, in E.164 (generated by generate.py)"]
    ident_lines = ["# page\tregion\tthe identifiers on it, as the telephone numbers libphonenumber reads "
                   "their digits as (none of them is a row)"]
    kinds = {}
    total_phones = total_idents = 0
    for region in REGIONS:
        for index in range(PAGES_PER_REGION):
            page = Page(rng, region, numbers, index)
            text = page.build()
            name = f"{region.lower()}-{index + 1}.html"
            with open(os.path.join(out, name), "w", encoding="utf-8", newline="\n") as f:
                f.write(text)
            phones = list(dict.fromkeys(page.phones))
            lines.append(f"{name}\t{region}\t{' '.join(phones)}")
            ident_lines.append(f"{name}\t{region}\t{' '.join(page.idents)}")
            total_phones += len(phones)
            total_idents += len(page.idents)
            for what, labels in page.kinds.items():
                for label, n in labels.items():
                    kinds.setdefault(what, {}).setdefault(label, 0)
                    kinds[what][label] += n
    with open(os.path.join(out, "expected.tsv"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    with open(os.path.join(out, "identifiers.tsv"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(ident_lines) + "\n")
    with open(os.path.join(out, "labels.tsv"), "w", encoding="utf-8", newline="\n") as f:
        f.write("# kind\tlabel\tcount (telephone numbers under each label; identifiers with each label)\n")
        for what in ("phone", "ident"):
            for label, n in sorted(kinds.get(what, {}).items(), key=lambda kv: (-kv[1], kv[0])):
                f.write(f"{what}\t{label}\t{n}\n")
    print(f"{len(lines) - 1} pages, {total_phones} telephone numbers, {total_idents} identifiers")


if __name__ == "__main__":
    main()
