def scale(a, twice=False, plus=None):
    if twice:
        a = a * 2
    if plus is not None:
        a = a + plus
    return a

def step(x):
    return scale(x, twice=True, plus=1)

i = 0
n = 0
while i < 1000000:
    n = n + step(i)
    i = i + 1
print(n)
