<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>QPlatformTheme</name>
    <message><source>OK</source><translation>确定</translation></message>
    <message><source>Cancel</source><translation>取消</translation></message>
    <message><source>&amp;Yes</source><translation>是(&amp;Y)</translation></message>
    <message><source>&amp;No</source><translation>否(&amp;N)</translation></message>
    <message><source>Close</source><translation>关闭</translation></message>
    <message><source>Apply</source><translation>应用</translation></message>
</context>
<context>
    <name>QWidgetTextControl</name>
    <message><source>&amp;Undo</source><translation>撤销(&amp;U)</translation></message>
    <message><source>&amp;Redo</source><translation>恢复(&amp;R)</translation></message>
    <message><source>Cu&amp;t</source><translation>剪切(&amp;T)</translation></message>
    <message><source>&amp;Copy</source><translation>复制(&amp;C)</translation></message>
    <message><source>&amp;Paste</source><translation>粘贴(&amp;P)</translation></message>
    <message><source>Delete</source><translation>删除</translation></message>
    <message><source>Select All</source><translation>全选</translation></message>
</context>
<context>
    <name>QLineEdit</name>
    <message><source>&amp;Undo</source><translation>撤销(&amp;U)</translation></message>
    <message><source>&amp;Redo</source><translation>恢复(&amp;R)</translation></message>
    <message><source>Cu&amp;t</source><translation>剪切(&amp;T)</translation></message>
    <message><source>&amp;Copy</source><translation>复制(&amp;C)</translation></message>
    <message><source>&amp;Paste</source><translation>粘贴(&amp;P)</translation></message>
    <message><source>Delete</source><translation>删除</translation></message>
    <message><source>Select All</source><translation>全选</translation></message>
</context>
<context>
    <name>QObject</name>
    <message><source>select picture</source><translation>选择图片</translation></message>
    <message><source>Images (*.jpg *.jpeg *.png)</source><translation>图片 (*.jpg *.jpeg *.png)</translation></message>
</context>
<context>
    <name>HomeworkWidget</name>
    <message><source>SaveAs</source><translation>另存为</translation></message>
</context>
</TS>
