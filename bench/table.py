# Writes the benchmark table as CSV: python3 table.py <path> <rows>. Ten columns (texts,
# numbers with decimals, dates, logicals); the seed is fixed so every run times the same bytes.
import sys, random
path, rows = sys.argv[1], int(sys.argv[2])
random.seed(11)
names = ["Miller", "Smith", "Jones", "Brown", "Garcia", "Wilson", "Taylor", "Clark", "Lewis", "Walker"]
cities = ["Berlin", "Hamburg", "Leeds", "Oslo", "Vienna", "Lyon", "Porto", "Graz"]
with open(path, "w", newline="") as f:
    f.write("NAME,CITY,AMOUNT,QTY,PRICE,BORN,ACTIVE,CODE,RATIO,SINCE\r\n")
    for i in range(rows):
        f.write('"%s %d","%s",%d.%02d,%d,%d.%03d,%02d.%02d.%04d,%s,"C%06d",%d.%d,%02d.%02d.%04d\r\n' % (
            random.choice(names), i % 9973, random.choice(cities),
            random.randint(0, 999999), random.randint(0, 99), random.randint(0, 5000),
            random.randint(0, 999), random.randint(0, 999),
            random.randint(1, 28), random.randint(1, 12), random.randint(1930, 2020),
            random.choice([".T.", ".F."]), i, random.randint(0, 99), random.randint(0, 9),
            random.randint(1, 28), random.randint(1, 12), random.randint(1990, 2024)))
