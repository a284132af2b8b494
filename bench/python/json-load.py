import json

record = '{"id":1234567,"name":"alpha beta","text":"line\\none \\u00e9","tags":["x","y",true,null],"score":-12.75,"ok":false},'
text = "[" + record * 80000 + '{"end":0}]'
data = json.loads(text)
print(len(data))
