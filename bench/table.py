# Writes the benchmark table as CSV in UTF-8: python3 table.py <path> <rows>. Ten columns: a
# person's name and city, numbers with decimals, dates, logicals. The people are German,
# Polish, Danish, Norwegian and Swedish, so a run to ANSI (code page 1252) recodes most texts;
# the Polish letters that code page lacks (Ł, ś, ż, ń, ...) are replaced and counted, as a
# user's table from Gdańsk would be. The seed is fixed, so every run times the same bytes
# (about 100 MB at 1,000,000 rows).
import sys, random

# Per language: male first names, female first names, surnames, cities.
PEOPLE = {
    "de": (
        "Jürgen Günter Jörg Uwe Klaus Stefan Wolfgang Andreas Maximilian Jörn Götz Sönke "
        "Hans-Jürgen Dieter Matthäus Björn Rüdiger Lutz",
        "Sabine Ursula Käthe Bärbel Dörte Heike Brigitte Lena Jutta Gisela Hannelore Renée "
        "Mareike Anna-Lena Gülay Friederike",
        "Müller Schäfer Schröder Köhler Weiß Groß Krüger Bäcker Fuchs Hoffmann Schmidt Meyer "
        "Wagner Becker Jäger Möller Günther Löwe Strauß Hübner Vogt Böhm Köster Dürr "
        "Schulze Fröhlich Kühn",
        "München|Köln|Düsseldorf|Nürnberg|Lübeck|Würzburg|Göttingen|Saarbrücken|Osnabrück|"
        "Mönchengladbach|Berlin|Hamburg|Frankfurt am Main|Gießen|Tübingen|Fürth|Cottbus|Jülich"),
    "pl": (
        "Łukasz Paweł Michał Wojciech Józef Grzegorz Jędrzej Bartłomiej Zbigniew Stanisław "
        "Krzysztof Jarosław Wiesław Tomasz Mikołaj Maciej Przemysław Sławomir",
        "Małgorzata Agnieszka Katarzyna Bożena Żaneta Elżbieta Łucja Dorota Halina Anna "
        "Jadwiga Grażyna Urszula Joanna Zofia Magdalena",
        "Wiśniewski Kowalski Nowak Wójcik Kamiński Lewandowski Zieliński Szymański Woźniak "
        "Dąbrowski Kozłowski Jankowski Mazur Wojciechowski Kwiatkowski Krawczyk Kaczmarek "
        "Piotrowski Grabowski Pawłowski Michalski Król Wróbel Jabłoński Żak Sikora Łuczak "
        "Gołębiowski Chmielewski Ślęzak Górecki Przybylski",
        "Kraków|Łódź|Gdańsk|Wrocław|Poznań|Warszawa|Szczecin|Białystok|Częstochowa|Toruń|"
        "Rzeszów|Katowice|Bydgoszcz|Lublin|Zielona Góra|Gorzów Wielkopolski|Bielsko-Biała|"
        "Świnoujście|Gdynia|Kędzierzyn-Koźle"),
    "da": (
        "Bjørn Søren Jørgen Mads Rasmus Frederik Anders Niels Jens Asger Mikkel Esben Bent "
        "Torben Ejnar Holger",
        "Kirsten Mette Birgitte Sørine Pernille Signe Karen Bodil Lærke Ditte Tove Gudrun "
        "Maren Sidsel Dorthe",
        "Østergård Jørgensen Sørensen Nielsen Hansen Pedersen Andersen Rasmussen Kjærgaard "
        "Mølgaard Bøgh Lykkegård Dalgård Kæhler Søndergaard Højgaard Brøndum Skovgård Frølund "
        "Thomsen Løkke Bønnelykke",
        "København|Århus|Aalborg|Odense|Esbjerg|Randers|Kolding|Horsens|Vejle|Roskilde|"
        "Helsingør|Næstved|Køge|Sønderborg|Frederikshavn|Holbæk|Hjørring|Ærøskøbing"),
    "no": (
        "Bjørn Øystein Ståle Kåre Håkon Øyvind Jørgen Torbjørn Dagfinn Pål Ørjan Sjur Trygve "
        "Halvdan Gaute Eirik",
        "Ingrid Solveig Åse Kjersti Sigrid Marit Tone Ragnhild Gro Hege Bjørg Åshild Ingebjørg "
        "Torunn Synnøve Guri",
        "Østby Bråten Sæther Solberg Haugen Håland Lie Strøm Løvås Bakke Kvåle Nygård Grønli "
        "Johansen Berntsen Ødegård Dæhlie Kjærnes Holmøy Aasen Røed Sølvberg Mørk Bjørnstad",
        "Tromsø|Bodø|Oslo|Bergen|Trondheim|Stavanger|Kristiansand|Drammen|Fredrikstad|Skien|"
        "Ålesund|Tønsberg|Sandnes|Hamar|Lillehammer|Mo i Rana|Førde|Molde|Haugesund|Gjøvik|"
        "Lørenskog"),
    "sv": (
        "Björn Göran Håkan Örjan Åke Anders Lars Per Jöns Måns Östen Torbjörn Lennart Bengt "
        "Gösta Sven Nils-Åke Jöran",
        "Åsa Maja Märta Sofia Ingrid Gunnel Margareta Linnéa Ulla Karin Britt-Marie Stina Ebba "
        "Gunilla Agneta Solveig",
        "Söderström Åberg Öberg Ångström Lindqvist Johansson Andersson Karlsson Nilsson "
        "Eriksson Larsson Bergström Sjöberg Lindström Ström Holmström Nordström Löfgren "
        "Björklund Hägg Ågren Engström Wikström Söderberg Blomqvist Forsström",
        "Göteborg|Malmö|Västerås|Örebro|Linköping|Norrköping|Jönköping|Umeå|Lund|Borås|Gävle|"
        "Södertälje|Växjö|Luleå|Östersund|Sundsvall|Karlstad|Trollhättan|Skövde|Kalmar|"
        "Stockholm|Uppsala|Hässleholm"),
}


def polish_female(surname):
    # Kowalski, Górecki, Wiśniewski take -ska, -cka as a woman's name; Nowak, Król stay.
    return surname[:-1] + "a" if surname.endswith("ki") else surname


def main():
    path, rows = sys.argv[1], int(sys.argv[2])
    rnd = random.Random(11)
    # Every name a language gives, women's and men's, with its cities.
    langs = []
    for lang, (men, women, surnames, cities) in PEOPLE.items():
        names = [f + " " + s for f in men.split() for s in surnames.split()]
        names += [f + " " + (polish_female(s) if lang == "pl" else s)
                  for f in women.split() for s in surnames.split()]
        langs.append((['"%s"' % n for n in names], ['"%s"' % c for c in cities.split("|")]))
    # Dates as a German user writes them, from 1930 to 2024 (the 28th at most: no month lacks it).
    dates = ["%02d.%02d.%04d" % (d, m, y) for y in range(1930, 2025) for m in range(1, 13) for d in range(1, 29)]
    born = 0, (2021 - 1930) * 12 * 28      # 1930 to 2020
    since = (1990 - 1930) * 12 * 28, len(dates)  # 1990 to 2024
    r = rnd.random
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("NAME,CITY,AMOUNT,QTY,PRICE,BORN,ACTIVE,CODE,RATIO,SINCE\r\n")
        out = []
        for i in range(rows):
            names, cities = langs[int(r() * 5)]
            out.append('%s,%s,%d.%02d,%d,%d.%03d,%s,%s,"C%06d",%d.%d,%s\r\n' % (
                names[int(r() * len(names))], cities[int(r() * len(cities))],
                int(r() * 1000000), int(r() * 100), int(r() * 5001), int(r() * 1000), int(r() * 1000),
                dates[born[0] + int(r() * (born[1] - born[0]))], ".T." if r() < 0.5 else ".F.",
                i, int(r() * 100), int(r() * 10), dates[since[0] + int(r() * (since[1] - since[0]))]))
            if len(out) == 10000:
                f.write("".join(out))
                out.clear()
        f.write("".join(out))


main()
