def limit(x):
    if x > 2:
        return 2
    return x

i = 0
n = 0
while i < 1000000:
    j = 0
    while True:
        j = j + 1
        if j == 3:
            break
    n = n + limit(j)
    i = i + 1
print(n)
